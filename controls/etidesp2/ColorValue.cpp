#include "ColorValue.h"

#include <array>

namespace {

constexpr quint32 SystemColorFlag = 0x80000000u;

// System colour indices 0..30 and the palette role that plays each part here.
constexpr std::array<QPalette::ColorRole, 31> SystemRoles{
    QPalette::Mid,             // 0 scroll bar
    QPalette::Window,          // 1 desktop
    QPalette::Highlight,       // 2 active caption
    QPalette::Mid,             // 3 inactive caption
    QPalette::Window,          // 4 menu
    QPalette::Base,            // 5 window background
    QPalette::Shadow,          // 6 window frame
    QPalette::WindowText,      // 7 menu text
    QPalette::Text,            // 8 window text
    QPalette::HighlightedText, // 9 caption text
    QPalette::Mid,             // 10 active border
    QPalette::Mid,             // 11 inactive border
    QPalette::Dark,            // 12 application workspace
    QPalette::Highlight,       // 13 highlight
    QPalette::HighlightedText, // 14 highlighted text
    QPalette::Button,          // 15 button face
    QPalette::Dark,            // 16 button shadow
    QPalette::PlaceholderText, // 17 grey text
    QPalette::ButtonText,      // 18 button text
    QPalette::WindowText,      // 19 inactive caption text
    QPalette::Light,           // 20 button highlight
    QPalette::Shadow,          // 21 3-D dark shadow
    QPalette::Midlight,        // 22 3-D light
    QPalette::ToolTipText,     // 23 tooltip text
    QPalette::ToolTipBase,     // 24 tooltip background
    QPalette::Window,          // 25 (unused index)
    QPalette::Link,            // 26 hot-tracked item
    QPalette::Highlight,       // 27 active caption gradient
    QPalette::Mid,             // 28 inactive caption gradient
    QPalette::Highlight,       // 29 menu highlight
    QPalette::Window,          // 30 menu bar
};

}

namespace ColorValue {

bool isValid(quint32 value)
{
    if (value & SystemColorFlag)
        return (value & ~SystemColorFlag) < SystemRoles.size();
    return (value & 0xFF000000u) == 0;
}

QColor toColor(quint32 value, const QPalette& palette)
{
    if (value & SystemColorFlag)
        return palette.color(QPalette::Active, SystemRoles.at(value & ~SystemColorFlag));
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QString toText(quint32 value)
{
    return QStringLiteral("&H%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

}
