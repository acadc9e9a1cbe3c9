#pragma once

#include "PixelLabel.h"

/// A picture surface such as a screen's `Picture1`: shows a picture and reports pointer
/// movements and clicks in its own pixels.
class PictureSurface : public PixelLabel {
    Q_OBJECT

public:
    explicit PictureSurface(QWidget* parent);

Q_SIGNALS:
    void moved(int x, int y);
    void clicked(int x, int y);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
