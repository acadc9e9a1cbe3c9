#pragma once

#include <QEvent>
#include <QPoint>
#include <QStringList>

class QWidget;

/// Pointer events as the learner's hand makes them, for tests.
namespace PointerEvents {

/// Sends WIDGET a mouse event of TYPE at AT (its own coordinates) with BUTTONS held; a
/// press or release is of the left button.
void sendMouse(QWidget* widget, QEvent::Type type, const QPoint& at, Qt::MouseButtons buttons);
/// Presses at FROM on WIDGET, drags by DELTA and lets go. The widget may move under the
/// pointer while it is dragged, so the positions are taken on the display.
void drag(QWidget* widget, const QPoint& from, const QPoint& delta);

/// Where a running player's stage lies on its X display, as its trace tells.
struct StageOnDisplay {
    QPoint origin { -1, -1 }; ///< the stage's top-left corner, in display pixels
    double factor = 1;        ///< display pixels per stage pixel

    bool isValid() const { return origin.x() >= 0; }
    /// The display pixel that shows the middle of stage pixel (X, Y).
    QPoint at(int x, int y) const;
};

/// The real pointer of an X display (xdotool), for a program running there: moves to
/// (X, Y) of STAGE, in stage pixels, in two steps so that the program sees a movement
/// into the spot.
void pointAt(const StageOnDisplay& stage, int x, int y);
/// As pointAt, then a click of the left button.
void clickAt(const StageOnDisplay& stage, int x, int y);

} // namespace PointerEvents
