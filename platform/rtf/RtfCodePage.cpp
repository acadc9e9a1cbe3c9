#include "RtfCodePage.h"

#include "Cp1252.h"

#include <QStringDecoder>

namespace {

// Symbol font bytes 0x40..0x7F and 0xA0..0xFF; below 0x40 only five signs differ from
// ASCII, and 0x80..0x9F hold nothing.
constexpr char16_t kSymbolLetters[64] = {
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393,
    0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9,
    0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F,
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF,
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9,
    0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0x007F,
};
constexpr char16_t kSymbolSigns[96] = {
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663,
    0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229,
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5,
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C,
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,
    0xFFFD, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0xFFFD,
};

char16_t symbolCharacter(unsigned char b)
{
    switch (b) {
    case 0x22: return 0x2200;
    case 0x24: return 0x2203;
    case 0x27: return 0x220B;
    case 0x2A: return 0x2217;
    case 0x2D: return 0x2212;
    default: break;
    }
    if (b >= 0x40 && b < 0x80)
        return kSymbolLetters[b - 0x40];
    if (b >= 0xA0)
        return kSymbolSigns[b - 0xA0];
    return b;
}

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
    if (codePage != WindowsLatin1 && (codePage == Symbol || decoderFor(codePage))) {
        out += decode(bytes, codePage);
        return;
    }
    appendWindows1252(out, bytes); // the common case, in place
}

QString RtfCodePage::decodeSymbol(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes)
        *out++ = QChar(symbolCharacter(static_cast<unsigned char>(c)));
    return text;
}

QString RtfCodePage::decode(QByteArrayView bytes, int codePage)
{
    if (bytes.isEmpty())
        return {};
    if (codePage == Symbol)
        return decodeSymbol(bytes);
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
    return codePage == WindowsLatin1 || codePage == Symbol || decoderFor(codePage) != nullptr;
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
