#include "NineDigitColour.h"

#include <algorithm>

namespace {

int pieceValue(QStringView piece)
{
    int value = 0;
    for (const QChar c : piece) {
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + (c.unicode() - u'0'); // a piece has at most three characters
    }
    return std::min(value, 255);
}

} // namespace

QColor nineDigitColour(const QString& text)
{
    const QStringView t = QStringView(text).trimmed();
    const int red = pieceValue(t.left(3));
    const int green = pieceValue(t.size() > 3 ? t.mid(3, 3) : QStringView());
    const int blue = pieceValue(t.right(3));
    return QColor(red, green, blue);
}
