#pragma once

#include <QLabel>

class QPainter;

/// Sets how PAINTER scales the pictures it draws: at a whole device pixel ratio a picture
/// keeps whole pixels (each stage pixel becomes a square block), at a fractional one it is
/// smoothed, since blocks of uneven sizes look worse than a slight blur.
void setPictureScaling(QPainter& painter);

/// A label for the course's pictures. When the stage is drawn scaled, QLabel smooths a
/// picture whose pixel ratio is not the screen's, and stretches it over the whole label;
/// this one draws it at its own size and scales it by setPictureScaling()'s rule. With
/// scaled contents the picture fills the label, by the same rule at every factor. Text,
/// and an unstretched picture at the screen's own ratio, are drawn as by QLabel.
class PixelLabel : public QLabel {
    Q_OBJECT

public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};
