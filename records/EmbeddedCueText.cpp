#include "EmbeddedCueText.h"
#include "SubtitleMarkup.h"
#include "SubtitleText.h"

#include <QStringDecoder>
#include <QStringList>
#include <algorithm>

namespace EmbeddedCueText {

namespace {

// The Text field of an SSA event: after the eight fields before it (Matroska's order:
// ReadOrder, Layer, Style, Name, MarginL, MarginR, MarginV, Effect). Some muxers keep
// the whole "Dialogue:" line, whose Text comes after nine fields.
QString ssaTextField(const QString& event)
{
    QStringView rest(event);
    int fields = 8;
    if (rest.startsWith(QLatin1String("Dialogue:"), Qt::CaseInsensitive)) {
        rest = rest.mid(9);
        fields = 9;
    }
    for (int field = 0; field < fields; ++field) {
        const qsizetype comma = rest.indexOf(QLatin1Char(','));
        if (comma < 0)
            return {}; // not an event: no text
        rest = rest.mid(comma + 1);
    }
    return rest.toString();
}

// Whether bytes of an unknown codec are text: UTF-8, without control characters but the
// line ends and tabs.
bool isPlainText(const QByteArray& payload)
{
    QStringDecoder decoder(QStringConverter::Utf8);
    const QString text = decoder.decode(payload);
    if (decoder.hasError())
        return false;
    return std::none_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.category() == QChar::Other_Control && c != QLatin1Char('\n') && c != QLatin1Char('\r') && c != QLatin1Char('\t');
    });
}

} // namespace

bool isText(const QByteArray& mediaType)
{
    return mediaType == "text/x-raw" || mediaType == "application/x-ssa" || mediaType == "application/x-ass"
        || mediaType == "application/x-subtitle-vtt" || mediaType == "application/x-subtitle" || mediaType == "text/plain"
        || mediaType == "application/x-subtitle-unknown";
}

Kind kindOf(const QByteArray& mediaType)
{
    if (mediaType == "application/x-ssa" || mediaType == "application/x-ass")
        return Kind::Ssa;
    return mediaType == "application/x-subtitle-unknown" ? Kind::Unknown : Kind::Tagged;
}

QString text(Kind kind, const QByteArray& payload)
{
    if (kind == Kind::Unknown && !isPlainText(payload))
        return {};
    // A cue is short: anything beyond a few times the kept length is cut before decoding.
    const QString decoded = SubtitleText::decode(payload.left(MaxLength * 8));
    QString plain;
    if (kind == Kind::Ssa) {
        plain = SubtitleMarkup::fromSsa(ssaTextField(decoded));
    } else {
        QStringList lines = decoded.split(QLatin1Char('\n'));
        plain = SubtitleMarkup::fromTagged(lines);
    }
    plain = plain.simplified();
    if (plain.size() > MaxLength)
        plain.truncate(MaxLength);
    return plain.trimmed();
}

} // namespace EmbeddedCueText
