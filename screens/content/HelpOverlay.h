#pragma once

#include "Screen.h"

#include <QPointer>

class MediaPlayer;
class PictureSurface;
class QTimer;

/// `frmayu`: the help of the screen it is opened from. It shows one help picture and
/// speaks one help sound, then returns to that screen by itself, or at once when the
/// learner clicks. Its row of `pantalla` is the map lesson's own (screen 1, object 2,
/// `colorfont` = the lesson) on the main map, and (screen, 2) on any other screen.
/// The overlay is unloaded each time it returns.
class HelpOverlay : public Screen {
    Q_OBJECT

public:
    /// Period of the sound clock.
    static constexpr int SoundClockMs = 2000;

    explicit HelpOverlay(Shell& shell);
    ~HelpOverlay() override;

    /// A help button of FROM: stops the screen's background sound, shows the help over it
    /// and hides it. Does nothing when the course has no help window.
    static void open(Shell& shell, Screen& from);

    PictureSurface* Picture1 = nullptr;
    QTimer* Timer1 = nullptr;

    /// The help sound's player.
    MediaPlayer& player() const { return *m_player; }
    /// The criterion of the help row found, empty when there is none.
    QString row() const { return m_row; }

    void Inicializasonido();
    /// The sound clock: plays the help sound until it has completed, then returns.
    void SoundClock();
    void PictureClick();
    /// Back to the screen the help was opened for, and the overlay unloads.
    void Vuelve();

protected:
    void ScreenLoad() override;
    void ScreenActivate() override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void findRow();
    void showPicture();
    void setWindowColour(bool white);
    Screen* returnTarget() const;

    std::unique_ptr<MediaPlayer> m_player;
    QPointer<Screen> m_caller;
    QString m_row;
    QString m_picture;
    QString m_sound;
    bool m_whiteAtLoad = false;
    bool m_whiteWhenShown = false;
    bool m_returning = false;
    bool m_soundStarted = false; ///< the clock has run the sound since it was loaded
    bool m_pictureReported = false; ///< a missing picture has been told during this opening
};
