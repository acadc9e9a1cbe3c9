#pragma once

#include <QStringView>

struct sqlite3;

/// Text order as a Spanish reader expects it: case and accents are only secondary
/// differences (ábaco, abeja; Casa and casa side by side), "ñ" is a letter of its own
/// after "n" (nube, ñandú, oso), blanks and punctuation come before digits and digits
/// before letters. The course databases order their text columns by it, and the
/// picture list finds entries by its first level.
namespace SpanishCollation {

/// The name under which every course database connection knows the order ("espanol").
inline constexpr const char* Name = "espanol";

/// Negative, zero or positive as A sorts before, with or after B. Letters first, then
/// accents, then case, and texts equal on all three by their code points, so that the
/// order is total.
int compare(QStringView a, QStringView b);

/// Whether TEXT begins with PREFIX on the first level only: case and accents ignored,
/// "ñ" still distinct from "n" ("arbol" begins "Árbol", "n" does not begin "ñandú").
bool startsWith(QStringView text, QStringView prefix);

/// Makes the order known to the connection DB under Name; returns SQLite's result code.
int registerOn(sqlite3* db);

} // namespace SpanishCollation
