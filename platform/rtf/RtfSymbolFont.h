#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

/// The fonts that show signs and pictures in place of letters: Symbol (Greek letters and
/// mathematical signs), Wingdings and Zapf Dingbats. A document written in one of them
/// holds the font's own codes, which mean nothing in any other font; here they become the
/// Unicode characters the font draws, so that the text shows and copies as it was meant.
namespace RtfSymbolFont {

enum class Font { None, Symbol, Wingdings, ZapfDingbats };

/// The symbol font a font name stands for (any case), None for a font of letters.
Font byName(QStringView name);

/// The character code CODE of FONT draws; 0 when Unicode has no such character.
char32_t toUnicode(Font font, unsigned char code);

/// The character a symbol font shows for a character of its own from the private-use
/// range Windows maps such fonts to (U+F020..U+F0FF), or for CODEPOINT itself otherwise.
char32_t fromPrivateUse(Font font, char32_t codePoint);

/// Appends the characters BYTES of FONT show to OUT; a code without a Unicode character
/// is kept as the Windows-1252 character of the same byte.
void decodeInto(QString& out, QByteArrayView bytes, Font font);

} // namespace RtfSymbolFont
