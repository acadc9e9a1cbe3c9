#pragma once

#include <QByteArrayView>

/// One lexical unit of an RTF stream. Views point into the tokenizer's input.
struct RtfToken {
    enum class Type {
        End, ///< input exhausted
        GroupStart, ///< '{'
        GroupEnd, ///< '}'
        ControlWord, ///< \word or \wordN (never "bin": that comes as Binary)
        ControlSymbol, ///< \ followed by one non-letter (except ', \, { and })
        Text, ///< a run of literal bytes (\\ \{ \} arrive as one-byte runs)
        HexByte, ///< \'hh
        Binary, ///< the data of \binN, cut short at the end of the input
    };

    Type type = Type::End;
    QByteArrayView word {}; ///< control word name (Type::ControlWord)
    bool hasParameter = false;
    int parameter = 0; ///< clamped to the range of int
    char symbol = 0; ///< Type::ControlSymbol
    unsigned char byte = 0; ///< Type::HexByte
    QByteArrayView data {}; ///< Type::Text and Type::Binary
};

/// Splits RTF bytes into tokens. Every byte is looked at a bounded number of times, names
/// and numbers are cut to a fixed length, and nothing is allocated, so any input is safe.
class RtfTokenizer {
public:
    /// Control word names longer than this are truncated (the rest is consumed).
    static constexpr int MaxWordLength = 32;
    /// The value of one hexadecimal digit, -1 for any other character.
    static int hexValue(char c);
    /// Digits of a parameter beyond this count are consumed and ignored.
    static constexpr int MaxParameterDigits = 10;

    explicit RtfTokenizer(QByteArrayView input);

    /// Returns the next token; Type::End once the input is used up (and forever after).
    RtfToken next();

    /// Byte offset of the next unread byte.
    qsizetype position() const { return m_pos; }

private:
    RtfToken readControl();
    RtfToken readText();

    QByteArrayView m_input;
    qsizetype m_pos = 0;
};
