#pragma once

#include "JetValue.h"

#include <QString>
#include <QVariant>

/// Jet's Format(value, format) with the US names and separators: the named formats
/// (General Number, Currency, Fixed, Standard, Percent, Scientific, Yes/No, True/False,
/// On/Off, General/Long/Medium/Short Date, Long/Medium/Short Time), custom date formats
/// (d … dddddd, w, ww, m … mmmm, q, y, yy, yyyy, h, hh, n, nn, s, ss, ttttt, AM/PM, A/P,
/// AMPM, quoted and escaped text) and custom number formats (0 # . , % and up to three
/// sections: positive; negative; zero), > and < for text. Halves round away from zero,
/// as Format does (unlike the conversions). Null gives Null. The weekday (w) and the
/// week of the year (ww) are counted by WEEKS, Format's third and fourth arguments.
namespace JetFormat {

QString format(const QVariant& value, const QString& format, const JetValue::WeekRule& weeks = {});

} // namespace JetFormat
