#pragma once

#include <QColor>
#include <QString>

/// Reads a colour written as nine decimal digits RRRGGGBBB, as the course keeps colours in
/// the text columns of `pantalla`: red = value of the first three characters, green = value
/// of characters 4 to 6, blue = value of the last three characters.
///
/// Blanks around the text are dropped first. A text shorter than nine characters reads its
/// pieces from whatever is there, so the pieces may overlap ("12345": red 123, green 45,
/// blue 345) or be empty. The value of a piece is the number its leading digits spell; an
/// empty piece, or one that starts with something else, counts 0. A piece above 255 is
/// held at 255, so that one channel can never spill into the next. Always valid, never throws.
QColor nineDigitColour(const QString& text);
