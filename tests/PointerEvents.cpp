#include "PointerEvents.h"

#include "MediaRecipes.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

namespace PointerEvents {

void sendMouse(QWidget* widget, QEvent::Type type, const QPoint& at, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void drag(QWidget* widget, const QPoint& from, const QPoint& delta)
{
    const QPoint globalFrom = widget->mapToGlobal(from);
    sendMouse(widget, QEvent::MouseButtonPress, from, Qt::LeftButton);
    QMouseEvent move(QEvent::MouseMove, QPointF(widget->mapFromGlobal(globalFrom + delta)), QPointF(globalFrom + delta), Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(widget->mapFromGlobal(globalFrom + delta)), QPointF(globalFrom + delta),
        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

QPoint StageOnDisplay::at(int x, int y) const
{
    return origin + QPoint(int((x + 0.5) * factor), int((y + 0.5) * factor));
}

void pointAt(const StageOnDisplay& stage, int x, int y)
{
    const auto moveTo = [](const QPoint& spot) {
        MediaRecipes::runTool(
            QStringLiteral("xdotool"), { QStringLiteral("mousemove"), QString::number(spot.x()), QString::number(spot.y()) });
    };
    moveTo(stage.at(x - 3, y - 3));
    QTest::qWait(100);
    moveTo(stage.at(x, y));
    QTest::qWait(150);
}

void clickAt(const StageOnDisplay& stage, int x, int y)
{
    pointAt(stage, x, y);
    MediaRecipes::runTool(QStringLiteral("xdotool"), { QStringLiteral("click"), QStringLiteral("1") });
}

} // namespace PointerEvents
