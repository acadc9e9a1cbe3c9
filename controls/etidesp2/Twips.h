#pragma once

#include <QPaintDevice>

/// Twips (1/1440 inch) per device pixel, from the device's logical resolution:
/// 15 at the usual 96 dots per inch.
namespace Twips {

inline constexpr float PerInch = 1440.0f;

inline float perPixelX(const QPaintDevice& device)
{
    return PerInch / float(device.logicalDpiX());
}

inline float perPixelY(const QPaintDevice& device)
{
    return PerInch / float(device.logicalDpiY());
}

}
