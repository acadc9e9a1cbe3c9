#pragma once

#include <QString>

/// Where a word of English text begins and ends as a reader sees it: letters and digits,
/// joined by an apostrophe or a hyphen between them, so that "don't", "Tom's",
/// "well-known", "1990s" and "3rd" are each one word.
namespace WholeWord {

/// Whether C is a letter, a digit or a mark that belongs to a word.
bool isWordCharacter(QChar c);

/// The word of TEXT at the cursor position AT (before or after the character pointed
/// at), as TEXT has it; empty when AT is not by a word.
QString at(const QString& text, qsizetype at);

} // namespace WholeWord
