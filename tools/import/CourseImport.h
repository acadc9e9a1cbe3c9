#pragma once

#include <QDir>
#include <QString>
#include <QTextStream>

struct JetConversion;

/// Copies a course folder, or a course's disc image, to a folder, converting each Jet database in it (found by its
/// first bytes, whatever its name) into the stand-in format under the same name, so that
/// the copy plays without any conversion at start-up. Prints what it converted, in
/// Spanish, with a progress bar while a long table is copied.
class CourseImport {
public:
    CourseImport(QTextStream& out, QTextStream& progress);

    /// Imports COURSE (a folder or an ISO 9660 disc image) into OUTPUT; throws CourseError naming what failed. Returns the
    /// number of databases converted.
    int run(const QString& course, const QString& output);

    /// What the conversion C did, as the report tells it after the format: "4 tablas, 1
    /// fila, 20 de 23 consultas guardadas reconstruidas, 35 ms".
    static QString conversionSummary(const JetConversion& c);
    /// The report's last line: CONVERTED databases, the course copied into OUTPUT.
    static QString finished(int converted, const QString& output);

private:
    /// Copies the disc image IMAGE into the folder OUTPUT; returns the databases converted.
    int runImage(const QString& image, const QString& output);
    /// Copies the course folder FROM into the folder TO; returns the databases converted.
    int copyFolder(const QDir& from, const QString& to);
    /// Refuses an OUTPUT that is (or lies in) the course folder FROM, or holds it.
    static void verifyOutsideCourse(const QString& course, const QDir& from, const QString& output);
    /// Converts the Jet FILE (the course's NAME) into TARGET, printing what it converted.
    void convert(const QString& file, const QString& name, const QString& target);
    void showProgress(const QString& table, qint64 done, qint64 total);

    /// The name WRITTEN (in the scratch folder) will have in the output.
    QString finalName(const QString& written) const;

    QString m_staging;
    QString m_output;
    QTextStream& m_out;
    QTextStream& m_progress;
};
