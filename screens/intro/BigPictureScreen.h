#pragma once

#include "Screen.h"

class PictureEffect;
class QTimer;

/// `frmc`: one large picture over the whole drawing area. Opened from the map or the test
/// it returns there at a click; when the learner is leaving the course it is the last
/// screen, and ends the program at a click or on the fourth tick of its clock.
class BigPictureScreen : public Screen {
    Q_OBJECT

public:
    explicit BigPictureScreen(Shell& shell);

    PictureEffect* Picture1 = nullptr;
    QTimer* Timer1 = nullptr;
    int ticks() const { return m_ticks; }

    void BigPictureClick();
    void BigPictureTimer();

protected:
    void ScreenLoad() override;
    void ScreenActivate() override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void endProgram();

    int m_ticks = 0;
    qint16 m_openedFrom = 0; ///< the screen current when the picture was shown
};
