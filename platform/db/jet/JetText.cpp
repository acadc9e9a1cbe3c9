#include "JetText.h"

#include "Cp1252.h"

#include <iconv.h>
#include <vector>

namespace {

const iconv_t noConverter = reinterpret_cast<iconv_t>(-1);

} // namespace

JetText::JetText(int codePage)
    : m_codePage(codePage)
{
    // Windows-1252 is the common case and has a table of our own; other code pages go
    // through the C library's converters.
    if (codePage == 0 || codePage == 1252)
        return;
    const QByteArray name = "CP" + QByteArray::number(codePage);
    iconv_t converter = iconv_open("UTF-16LE", name.constData());
    m_valid = converter != noConverter;
    if (m_valid)
        m_iconv = converter;
}

JetText::~JetText()
{
    if (m_iconv)
        iconv_close(static_cast<iconv_t>(m_iconv));
}

QString JetText::decodeJet4(const char* bytes, qsizetype size)
{
    const auto* in = reinterpret_cast<const uchar*>(bytes);
    QString text;
    if (size >= 2 && in[0] == 0xFF && in[1] == 0xFE) {
        text.reserve(size);
        bool compressed = true;
        for (qsizetype i = 2; i < size;) {
            if (in[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                text += QChar(in[i++]);
            } else if (i + 1 < size) {
                text += QChar(char16_t(in[i] | (in[i + 1] << 8)));
                i += 2;
            } else {
                break; // half a character at the end: dropped, as Jet itself shows it
            }
        }
        return text;
    }
    text.resize(size / 2);
    for (qsizetype i = 0; i < size / 2; ++i)
        text[i] = QChar(char16_t(in[2 * i] | (in[2 * i + 1] << 8)));
    return text;
}

QString JetText::decode(const char* bytes, qsizetype size) const
{
    if (m_codePage == 0)
        return decodeJet4(bytes, size);
    if (!m_iconv) {
        QString text;
        text.reserve(size);
        for (qsizetype i = 0; i < size; ++i)
            text += QChar(cp1252Char(uchar(bytes[i])));
        return text;
    }
    std::vector<char16_t> out(size_t(size) * 2 + 2);
    char* inPtr = const_cast<char*>(bytes);
    size_t inLeft = size_t(size);
    char* outPtr = reinterpret_cast<char*>(out.data());
    size_t outLeft = out.size() * sizeof(char16_t);
    iconv(static_cast<iconv_t>(m_iconv), nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        if (iconv(static_cast<iconv_t>(m_iconv), &inPtr, &inLeft, &outPtr, &outLeft) != size_t(-1))
            break;
        // A byte the code page does not define shows as the replacement character.
        ++inPtr;
        --inLeft;
        if (outLeft < sizeof(char16_t))
            break;
        *reinterpret_cast<char16_t*>(outPtr) = u'\uFFFD';
        outPtr += sizeof(char16_t);
        outLeft -= sizeof(char16_t);
    }
    return QString::fromUtf16(out.data(), qsizetype((reinterpret_cast<char16_t*>(outPtr) - out.data())));
}
