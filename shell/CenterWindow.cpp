#include "CenterWindow.h"

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

void CenterWindow(QWidget& area)
{
    const QScreen* screen = area.screen();
    const QSize display = screen ? screen->geometry().size() : QSize(640, 480);
    const int left = roundHalfEven((display.width() - area.width()) / 2.0);
    const int top = roundHalfEven((display.height() - area.height()) / 2.0);
    // The area lies in the full-display window, so display and window coordinates agree.
    area.hide();
    area.move(left, top);
    area.show();
}
