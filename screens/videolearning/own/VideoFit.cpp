#include "VideoFit.h"

#include <algorithm>
#include <cmath>

QRect VideoFit::fit(const QSize& picture, const QRect& area)
{
    if (picture.width() <= 0 || picture.height() <= 0 || area.isEmpty())
        return area;
    const double scale = std::min(double(area.width()) / picture.width(), double(area.height()) / picture.height());
    // Rounding may not make the picture a pixel wider than the area.
    const int width = std::clamp(int(std::lround(picture.width() * scale)), 1, area.width());
    const int height = std::clamp(int(std::lround(picture.height() * scale)), 1, area.height());
    return { area.x() + (area.width() - width) / 2, area.y() + (area.height() - height) / 2, width, height };
}
