#pragma once

#include <QColor>
#include <QPalette>

/// 32-bit colour values as the control's colour properties take them: an RGB value
/// 0x00BBGGRR, or a system colour 0x800000nn whose index nn names a role of the palette.
namespace ColorValue {

inline constexpr quint32 WindowBackground = 0x80000005u;
inline constexpr quint32 WindowText = 0x80000008u;

/// Whether value is an RGB value or a known system colour.
bool isValid(quint32 value);
/// The colour value stands for under palette; value must be valid.
QColor toColor(quint32 value, const QPalette& palette);
/// "&H80000005"-style text of value, for messages.
QString toText(quint32 value);

}
