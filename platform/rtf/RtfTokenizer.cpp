#include "RtfTokenizer.h"

#include <algorithm>
#include <climits>

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Raw line breaks carry no meaning in RTF and NUL never belongs to text.
bool endsText(char c)
{
    return c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n' || c == '\0';
}

} // namespace

int RtfTokenizer::hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

RtfTokenizer::RtfTokenizer(QByteArrayView input)
    : m_input(input)
{
}

RtfToken RtfTokenizer::next()
{
    const qsizetype size = m_input.size();
    while (m_pos < size) {
        const char c = m_input[m_pos];
        switch (c) {
        case '{':
            ++m_pos;
            return RtfToken{.type = RtfToken::Type::GroupStart};
        case '}':
            ++m_pos;
            return RtfToken{.type = RtfToken::Type::GroupEnd};
        case '\\':
            if (m_pos + 1 >= size) {
                m_pos = size; // a lone backslash at the very end means nothing
                break;
            }
            return readControl();
        case '\r':
        case '\n':
        case '\0':
            ++m_pos;
            break;
        default:
            return readText();
        }
    }
    return RtfToken{};
}

RtfToken RtfTokenizer::readText()
{
    const qsizetype start = m_pos;
    const qsizetype size = m_input.size();
    while (m_pos < size && !endsText(m_input[m_pos]))
        ++m_pos;
    return RtfToken{.type = RtfToken::Type::Text, .data = m_input.sliced(start, m_pos - start)};
}

RtfToken RtfTokenizer::readControl()
{
    const qsizetype size = m_input.size();
    ++m_pos; // the backslash
    const char first = m_input[m_pos];

    if (!isLetter(first)) {
        ++m_pos;
        switch (first) {
        case '\\':
        case '{':
        case '}':
            return RtfToken{.type = RtfToken::Type::Text, .data = m_input.sliced(m_pos - 1, 1)};
        case '\r':
        case '\n':
            // A backslash before a raw line break is an old way of writing \par.
            return RtfToken{.type = RtfToken::Type::ControlWord, .word = "par"};
        case '\'': {
            if (m_pos + 2 <= size) {
                const int high = hexValue(m_input[m_pos]);
                const int low = hexValue(m_input[m_pos + 1]);
                if (high >= 0 && low >= 0) {
                    m_pos += 2;
                    return RtfToken{.type = RtfToken::Type::HexByte,
                        .byte = static_cast<unsigned char>(high * 16 + low)};
                }
            }
            // A damaged \' escape comes out as a symbol that means nothing; what
            // follows reads as text.
            return RtfToken{.type = RtfToken::Type::ControlSymbol, .symbol = first};
        }
        default:
            return RtfToken{.type = RtfToken::Type::ControlSymbol, .symbol = first};
        }
    }

    const qsizetype nameStart = m_pos;
    while (m_pos < size && isLetter(m_input[m_pos]))
        ++m_pos;
    const qsizetype nameLength = m_pos - nameStart;
    RtfToken token{.type = RtfToken::Type::ControlWord,
        .word = m_input.sliced(nameStart, qMin<qsizetype>(nameLength, MaxWordLength))};

    bool negative = false;
    if (m_pos + 1 < size && m_input[m_pos] == '-' && isDigit(m_input[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    if (m_pos < size && isDigit(m_input[m_pos])) {
        long long value = 0;
        int digits = 0;
        while (m_pos < size && isDigit(m_input[m_pos])) {
            if (digits < MaxParameterDigits)
                value = value * 10 + (m_input[m_pos] - '0');
            ++digits;
            ++m_pos;
        }
        if (negative)
            value = -value;
        token.hasParameter = true;
        token.parameter = static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
    }
    if (m_pos < size && m_input[m_pos] == ' ')
        ++m_pos; // the delimiting space belongs to the control word

    if (token.word == "bin" && nameLength == 3) {
        const qsizetype length = token.hasParameter ? qMax(0, token.parameter) : 0;
        const qsizetype available = qMin(length, size - m_pos);
        token.type = RtfToken::Type::Binary;
        token.data = m_input.sliced(m_pos, available);
        m_pos += available;
    }
    return token;
}
