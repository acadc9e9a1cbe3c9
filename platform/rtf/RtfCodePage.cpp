#include "RtfCodePage.h"

#include "Cp1252.h"
#include "RtfSymbolFont.h"

#include <QStringDecoder>

namespace {

void appendWindows1252(QString& out, QByteArrayView bytes)
{
    const qsizetype start = out.size();
    out.resize(start + bytes.size());
    QChar* target = out.data() + start;
    for (const char c : bytes) {
        *target++ = QChar(cp1252Char(static_cast<unsigned char>(c)));
    }
}

const char* encodingName(int codePage)
{
    switch (codePage) {
    case 437: return "IBM437";
    case 850: return "IBM850";
    case 852: return "IBM852";
    case 866: return "IBM866";
    case 874: return "windows-874";
    case 932: return "Shift_JIS";
    case 936: return "GBK";
    case 949: return "windows-949";
    case 950: return "Big5";
    case 1200: return "UTF-16LE";
    case 1250: return "windows-1250";
    case 1251: return "windows-1251";
    case 1253: return "windows-1253";
    case 1254: return "windows-1254";
    case 1255: return "windows-1255";
    case 1256: return "windows-1256";
    case 1257: return "windows-1257";
    case 1258: return "windows-1258";
    case 10000: return "macintosh";
    case 20127: return "US-ASCII";
    case 28591: return "ISO-8859-1";
    case 28592: return "ISO-8859-2";
    case 28605: return "ISO-8859-15";
    case 65001: return "UTF-8";
    default: return nullptr;
    }
}

} // namespace

RtfCodePage::RtfCodePage() = default;
RtfCodePage::~RtfCodePage() = default;

QString RtfCodePage::decodeWindows1252(QByteArrayView bytes)
{
    QString text;
    appendWindows1252(text, bytes);
    return text;
}

void RtfCodePage::decodeInto(QString& out, QByteArrayView bytes, int codePage)
{
    if (const RtfSymbolFont::Font font = symbolFont(codePage); font != RtfSymbolFont::Font::None) {
        RtfSymbolFont::decodeInto(out, bytes, font);
        return;
    }
    if (codePage != WindowsLatin1 && decoderFor(codePage)) {
        out += decode(bytes, codePage);
        return;
    }
    appendWindows1252(out, bytes); // the common case, in place
}

RtfSymbolFont::Font RtfCodePage::symbolFont(int codePage)
{
    switch (codePage) {
    case Symbol: return RtfSymbolFont::Font::Symbol;
    case Wingdings: return RtfSymbolFont::Font::Wingdings;
    case ZapfDingbats: return RtfSymbolFont::Font::ZapfDingbats;
    default: return RtfSymbolFont::Font::None;
    }
}

int RtfCodePage::codePageOf(RtfSymbolFont::Font font)
{
    switch (font) {
    case RtfSymbolFont::Font::Symbol: return Symbol;
    case RtfSymbolFont::Font::Wingdings: return Wingdings;
    case RtfSymbolFont::Font::ZapfDingbats: return ZapfDingbats;
    case RtfSymbolFont::Font::None: break;
    }
    return 0;
}

QString RtfCodePage::decode(QByteArrayView bytes, int codePage)
{
    if (bytes.isEmpty())
        return {};
    if (symbolFont(codePage) != RtfSymbolFont::Font::None) {
        QString text;
        RtfSymbolFont::decodeInto(text, bytes, symbolFont(codePage));
        return text;
    }
    if (codePage != WindowsLatin1) {
        if (QStringDecoder* decoder = decoderFor(codePage)) {
            decoder->resetState();
            QString text = decoder->decode(bytes);
            text += decoder->decode(QByteArrayView()); // lets a cut-off sequence out
            return text;
        }
    }
    return decodeWindows1252(bytes);
}

bool RtfCodePage::isSupported(int codePage)
{
    return codePage == WindowsLatin1 || symbolFont(codePage) != RtfSymbolFont::Font::None || decoderFor(codePage) != nullptr;
}

QStringDecoder* RtfCodePage::decoderFor(int codePage)
{
    // Only names from our own list are remembered, so a document full of made-up code
    // page numbers cannot grow the cache.
    const char* name = encodingName(codePage);
    if (!name)
        return nullptr;
    auto found = m_decoders.find(codePage);
    if (found == m_decoders.end()) {
        auto decoder = std::make_unique<QStringDecoder>(name, QStringConverter::Flag::Stateless);
        if (!decoder->isValid())
            decoder.reset();
        found = m_decoders.emplace(codePage, std::move(decoder)).first;
    }
    return found->second.get();
}

int RtfCodePage::codePageForCharset(int charset)
{
    switch (charset) {
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
    }
}
