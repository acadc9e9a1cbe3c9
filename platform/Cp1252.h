#pragma once

#include <QByteArray>
#include <QString>

/// Decodes Windows-1252 text, the code page of the course's settings files and cards.
/// Built in, so that the result does not depend on which codecs Qt was built with.
QString fromCp1252(const QByteArray& bytes);
