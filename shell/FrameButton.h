#pragma once

#include "PixelLabel.h"

/// One element of a screen's button array `Imagex`: the lit look of a hot rectangle of
/// the background, shown only while the pointer is over it (or while it is latched).
class FrameButton : public PixelLabel {
    Q_OBJECT

public:
    FrameButton(int index, QWidget* parent);
    int index() const { return m_index; }

Q_SIGNALS:
    void moved(int index);
    void clicked(int index);
    void pressed(int index);
    void released(int index);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int m_index = 0;
};
