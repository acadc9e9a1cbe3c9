#pragma once

#include "PanelScreen.h"
#include "TimedPictures.h"

#include <vector>

class MediaPlayer;

/// `frmct`, the thematic carousel: the lesson's sound track plays from start to end while
/// full pictures enter `Picture1`, each at its millisecond of the sound. The learner drives
/// the sound from the control panel: play, pause, stop, to start, to end, next and
/// previous picture. Every activation builds the sequence afresh and plays from the start.
class CarouselScreen : public PanelScreen {
    Q_OBJECT

public:
    enum Action { Play = 5, Stop = 6, ToStart = 7, ToEnd = 8, NextPicture = 9, PreviousPicture = 10, Pause = 11 };

    using ImagenCarrusel = TimedPictures::ImagenCarrusel;

    static constexpr int PictureClockMs = TimedPictures::PeriodMs;

    explicit CarouselScreen(Shell& shell);
    ~CarouselScreen() override;

    QTimer* Timer2 = nullptr; ///< the picture clock

    const std::vector<ImagenCarrusel>& imagenes() const { return m_clock->imagenes(); }
    qint16 codigowav() const { return m_codigowav; }
    qint16 indiceactual() const { return m_clock->indiceactual(); }
    qint16 imagenmostrada() const { return m_clock->imagenmostrada(); }
    /// The lesson's sound track.
    MediaPlayer& sonido() const { return *m_sonido; }

    /// Builds the picture sequence of the current lesson and starts its sound from the beginning.
    void CarruselTematico();
    /// The picture clock: shows the picture whose time has come and rewinds at the end.
    void PictureClock();

protected:
    bool hasBackgroundSound() const override { return false; }
    void loadFinished() override;
    void activated() override;
    void screenAction(int accion, int index) override;
    void stopMedia() override;

private:
    void showEntry(int index);
    void traceCarousel(const char* op, int index, int code) const;

    std::unique_ptr<MediaPlayer> m_sonido;
    TimedPictures* m_clock = nullptr;
    qint16 m_codigowav = 0;
    QStringList m_reported; ///< files already reported missing during this showing
};
