#pragma once

#include <QByteArray>
#include <QString>

/// Decodes Windows-1252 text, the code page of the course's settings files and cards.
/// Built in, so that the result does not depend on which codecs Qt was built with.
QString fromCp1252(const QByteArray& bytes);

/// The character of one Windows-1252 byte; the five unassigned bytes stand for the C1
/// control of the same value.
char16_t cp1252Char(unsigned char byte);
