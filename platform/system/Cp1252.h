#pragma once

#include <QByteArray>
#include <QString>

/// Decodes Windows-1252 text, the code page of the course's settings files and cards.
/// Built in, so that the result does not depend on which codecs Qt was built with.
QString fromCp1252(const QByteArray& bytes);

/// Decodes text that a Windows editor or a UTF-8 one may have written: UTF-8 when the
/// bytes are valid UTF-8 (a byte-order mark dropped), Windows-1252 otherwise. Accented
/// Windows-1252 text is practically never valid UTF-8: every letter from 0xC0 up would
/// have to be followed by one of the symbols 0x80..0xBF.
QString fromUtf8OrCp1252(const QByteArray& bytes);

/// The character of one Windows-1252 byte; the five unassigned bytes stand for the C1
/// control of the same value.
char16_t cp1252Char(unsigned char byte);

/// The Windows-1252 byte of C, so that cp1252Char(cp1252Byte(c)) == c; -1 when the
/// code page has no character C, the C1 controls U+0080..U+009F included.
int cp1252Byte(char16_t c);
