#pragma once

#include <QString>
#include <QTextStream>

/// Copies a course folder to another, converting each Jet database in it (found by its
/// first bytes, whatever its name) into the stand-in format under the same name, so that
/// the copy plays without any conversion at start-up. Prints what it converted, with a
/// progress bar while a long table is copied.
class CourseImport {
public:
    CourseImport(QTextStream& out, QTextStream& progress);

    /// Imports COURSE into OUTPUT; throws CourseError naming what failed. Returns the
    /// number of databases converted.
    int run(const QString& course, const QString& output);

private:
    void showProgress(const QString& table, qint64 done, qint64 total);

    QTextStream& m_out;
    QTextStream& m_progress;
};
