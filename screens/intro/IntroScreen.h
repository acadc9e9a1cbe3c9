#pragma once

#include "Screen.h"

class PictureSurface;
class VideoPlayer;

/// `frmintro`: the course's opening. A background picture and the introduction video in
/// a frame; the window stays hidden until the video is ready, and the course moves on to
/// the main map when the video ends or at the learner's first click or key.
class IntroScreen : public Screen {
    Q_OBJECT

public:
    explicit IntroScreen(Shell& shell);

    PictureSurface* Picture1 = nullptr; ///< the background; takes clicks and keys
    QWidget* Picture2 = nullptr;        ///< the frame that holds the video
    VideoPlayer* vid2 = nullptr;

    void IntroReady(int readyState);
    void IntroVideoState(int oldState, int newState);
    void IntroSkip();
    void IntroContinue();

protected:
    void ScreenLoad() override;
    void ScreenActivate() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    /// Leaves for the map when there is no video to wait for.
    void goOnWithoutVideo();

    bool m_leaving = false; ///< the learner skipped: the stop that follows is not the video's end
};
