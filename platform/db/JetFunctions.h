#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <optional>

struct sqlite3;

/// The expression functions of Jet's queries that SQLite has no faithful form for, as SQL
/// functions of the connection (jet_ccur, jet_cint, jet_format, jet_year, …): saved queries
/// brought from a Jet file call them, in views too, so every connection that may read such
/// a database registers them. They behave as the Jet engine of the period: conversions
/// round half to even, dates are the stand-in's "yyyy-MM-dd HH:mm:ss" text (a number is a
/// date serial, days since 30 December 1899), text compares without regard to case, and
/// Null gives Null. A value the function cannot take (a text that is no number, a number
/// out of an integer's range) is an SQL error naming the function and the value.
namespace JetFunctions {

/// Registers every function on DB; returns SQLite's result code.
int registerOn(sqlite3* db);

/// A value as a moment: the stand-in's date text, the forms #m/d/yyyy# and ISO dates
/// take, or a date serial. Empty when it is none of them.
std::optional<QDateTime> moment(const QVariant& value);
/// The stand-in's text of a moment.
QString dateText(const QDateTime& moment);
/// The year of a two-digit year as Jet reads it: 0–29 are 2000–2029, 30–99 1930–1999.
int fullYear(int year);
/// VALUE formatted as Jet's Format(VALUE, FORMAT) does, with the US names and separators.
QString format(const QVariant& value, const QString& format);
/// Jet's Val: the number at the start of TEXT, blanks skipped, 0 when there is none.
double val(const QString& text);

} // namespace JetFunctions
