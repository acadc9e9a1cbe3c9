#pragma once

#include <QColor>
#include <QString>

/// A colour written as nine decimal digits, three each for red, green and blue. A shorter
/// text reads red from its first three characters, green from characters 4 to 6 and blue
/// from its last three, whatever is there.
QColor nineDigitColour(const QString& text);
