#pragma once

struct sqlite3;

/// The expression functions of Jet's queries that SQLite has no faithful form for, as SQL
/// functions of the connection (jet_ccur, jet_cint, jet_format, jet_year, jet_first, …):
/// saved queries brought from a Jet file call them, in views too, so every connection
/// that may read such a database registers them. They behave as the Jet engine of the
/// period (see JetValue and JetFormat): conversions round half to even, dates are the
/// stand-in's "yyyy-MM-dd HH:mm:ss" text (a number is a date serial), text compares
/// without regard to case, and Null gives Null. A value the function cannot take (a text
/// that is no number, a number out of an integer's range) is an SQL error naming the
/// function and the value.
namespace JetFunctions {

/// Registers every function on DB; returns SQLite's result code.
int registerOn(sqlite3* db);

} // namespace JetFunctions
