#pragma once

#include "ClassProgress.h"

#include <QString>

/// The class's progress written for a teacher: CSV for spreadsheets, and one HTML page that
/// needs nothing else (its charts are inline SVG: one per chapter, one bar per learner).
namespace ProgressReport {

/// One row per learner: the lessons visited in each chapter, the test attempts, the best
/// score and the last activity. RFC 4180 quoting; a cell a spreadsheet would take for a
/// formula (=, +, -, @) is written as text.
QString csv(const ClassProgress& progress);
/// The page, titled TITLE.
QString html(const ClassProgress& progress, const QString& title);

} // namespace ProgressReport
