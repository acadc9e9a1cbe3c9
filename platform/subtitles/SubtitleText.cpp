#include "SubtitleText.h"

#include "Cp1252.h"

#include <QStringDecoder>

namespace {

// How many of the first bytes are looked at to tell UTF-16 without a mark.
constexpr qsizetype kSniffedBytes = 512;

// The byte order of UTF-16 text without a mark: Latin text has a zero byte in nearly every
// other place. 0 when the text does not look like UTF-16.
int utf16Order(const QByteArray& bytes)
{
    const qsizetype n = std::min(bytes.size(), kSniffedBytes) & ~qsizetype(1);
    if (n < 4)
        return 0;
    qsizetype evenZeros = 0, oddZeros = 0;
    for (qsizetype i = 0; i < n; i += 2) {
        evenZeros += bytes.at(i) == '\0';
        oddZeros += bytes.at(i + 1) == '\0';
    }
    const qsizetype pairs = n / 2;
    if (oddZeros * 10 >= pairs * 7 && evenZeros * 10 < pairs)
        return 1; // little endian: "A\0"
    if (evenZeros * 10 >= pairs * 7 && oddZeros * 10 < pairs)
        return 2;
    return 0;
}

QString utf16(const QByteArray& bytes, QStringConverter::Encoding encoding)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

} // namespace

namespace SubtitleText {

QString decode(const QByteArray& bytes)
{
    QString text;
    if (bytes.startsWith("\xFF\xFE"))
        text = utf16(bytes.sliced(2), QStringConverter::Utf16LE);
    else if (bytes.startsWith("\xFE\xFF"))
        text = utf16(bytes.sliced(2), QStringConverter::Utf16BE);
    else if (const int order = utf16Order(bytes))
        text = utf16(bytes, order == 1 ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    else
        text = fromUtf8OrCp1252(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace SubtitleText
