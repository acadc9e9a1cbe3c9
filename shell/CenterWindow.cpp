#include "CenterWindow.h"

#include "Screen.h"
#include "ScreenHost.h"

#include <QScreen>
#include <QWidget>
#include <cmath>

int roundHalfEven(double value)
{
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5)
        return int(floor) + 1;
    if (fraction < 0.5)
        return int(floor);
    return std::fmod(floor, 2.0) == 0.0 ? int(floor) : int(floor) + 1;
}

QPoint centredOnDisplay(const QSize& display, const QSize& area)
{
    return { roundHalfEven((display.width() - area.width()) / 2.0), roundHalfEven((display.height() - area.height()) / 2.0) };
}

void CenterWindow(QWidget& area)
{
    // Played in a window, the window is all the display the course knows of.
    const auto* host = qobject_cast<const ScreenHost*>(area.window());
    const QScreen* screen = area.screen();
    QSize display = screen ? screen->geometry().size() : QSize(ScreenHost::StageWidth, ScreenHost::StageHeight);
    if (host && host->presentation() == ScreenHost::Presentation::Window)
        display = QSize(ScreenHost::StageWidth, ScreenHost::StageHeight);
    QPoint place = centredOnDisplay(display, area.size());
    // A picture of a screen lies on the stage, which is itself centred on the display by
    // this rule: its place on the stage is the difference, known before the window is shown.
    if (qobject_cast<const Screen*>(area.parentWidget()))
        place -= centredOnDisplay(display, QSize(ScreenHost::StageWidth, ScreenHost::StageHeight));
    // Otherwise the area lies in the full-display window, where display and window coordinates agree.
    area.hide();
    area.move(place);
    area.show();
}
