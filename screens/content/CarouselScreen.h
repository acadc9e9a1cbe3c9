#pragma once

#include "PanelScreen.h"

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

    /// One entry of the picture schedule, as the query "consultacft" gives it.
    struct ImagenCarrusel {
        static constexpr int FileNameLength = 50; ///< the name is kept in a fixed field of this size

        qint16 Codigo = 0;
        double segundo = 0; ///< entry time in milliseconds
        qint16 codigoimagen = 0;
        QString ficheroimagen;
        float X = 0;
        float Y = 0;
    };

    static constexpr int PictureClockMs = 1000;

    explicit CarouselScreen(Shell& shell);
    ~CarouselScreen() override;

    QTimer* Timer2 = nullptr; ///< the picture clock

    const std::vector<ImagenCarrusel>& imagenes() const { return m_imagenes; }
    qint16 codigowav() const { return m_codigowav; }
    qint16 indiceactual() const { return m_indiceactual; }
    qint16 imagenmostrada() const { return m_imagenmostrada; }
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
    /// The whole second at which entry INDEX begins.
    double entrySecond(int index) const;
    int lastIndex() const { return int(m_imagenes.size()) - 1; }
    void traceCarousel(const char* op, int index, int code) const;

    std::unique_ptr<MediaPlayer> m_sonido;
    std::vector<ImagenCarrusel> m_imagenes;
    qint16 m_codigowav = 0;
    qint16 m_indiceactual = 0;
    qint16 m_imagenmostrada = 0;
    qint16 m_imagennueva = 0;
    QStringList m_reported; ///< files already reported missing during this showing
};
