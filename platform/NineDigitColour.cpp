#include "NineDigitColour.h"

#include <algorithm>

QColor nineDigitColour(const QString& text)
{
    const QString digits = text.trimmed();
    const auto part = [](const QString& s) { return std::clamp(s.toInt(), 0, 255); };
    return QColor(part(digits.left(3)), part(digits.mid(3, 3)), part(digits.right(3)));
}
