#pragma once

#include "PanelScreen.h"

class PictureSurface;
class VideoPlayer;

/// `frmsa`, the video screen: the lesson's video in the container `videocont`, placed
/// where the lesson says, driven from the control panel: play in a window or full
/// screen, pause, stop, to start, to end, and jumps of `saltovideo` seconds. Every
/// activation opens the video again, so that it starts from its beginning.
class VideoScreen : public PanelScreen {
    Q_OBJECT

public:
    enum Action {
        PlayWindowed = 5,
        Stop = 6,
        ToStart = 7,
        ToEnd = 8,
        JumpForward = 9,
        JumpBack = 10,
        Pause = 11,
        PlayFullScreen = 24,
    };
    /// The control's size until its file is open.
    static constexpr int ClosedSize = 50;

    explicit VideoScreen(Shell& shell);

    PictureSurface* videocont = nullptr;
    VideoPlayer* video = nullptr;

    /// The jump of the forward and back buttons, in seconds.
    qint16 saltovideo() const { return m_saltovideo; }

    /// Opens the current lesson's video, hidden until it is ready.
    void LessonSetup();
    /// The video reports its ready state; at 3 (open) it is placed and shown at its start.
    void VideoReadyState(int readyState);

protected:
    void ScreenLoad() override;
    bool loadObject(int kind, const Recordset& row) override;
    void activated() override;
    void screenAction(int accion, int index) override;
    void stopMedia() override;

private:
    void traceVideo(const char* op, int accion = -1) const;

    qint16 m_saltovideo = 0;
    bool m_opening = false; ///< a file was named and has not yet opened or failed
};
