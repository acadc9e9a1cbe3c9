#pragma once

#include "SavedQueryFile.h"

#include <QList>
#include <QString>

/// Compiles a course source folder into a playable course folder:
///   content.sql, content-*.sql  rows of the content database  → bbm.mdb (password-locked)
///   learner.sql, learner-*.sql  rows of the learner database  → usrcurso.mdb (password-locked)
///   inst.ini                    the install settings          → inst.ini (Windows-1252, CRLF)
///   media.txt, media-*.txt      recipes for generated media   → pictures, sounds, videos
///   files/       media copied as they are (opt.); WAV files not in PCM are converted
/// The tables and saved queries come from the schema folder (content.sql,
/// content-queries.sql, learner.sql, learner-queries.sql).
class CourseCompiler {
public:
    CourseCompiler(const QString& schemaFolder, const QString& password);

    /// Builds OUTPUT from SOURCE; throws CourseError naming what failed, having left
    /// OUTPUT as it was.
    void compile(const QString& source, const QString& output) const;

    /// Creates database FILE from the schema's SCHEMA (e.g. "content") and the row file ROWS
    /// ("" for none). Also used by tests to make fixture courses.
    void buildDatabase(const QString& file, const QString& schema, const QString& rows) const;

    /// Splits a query file into its "-- query: NAME" blocks.
    static QList<SavedQuery> parseQueries(const QString& text);

private:
    /// Writes the course of SOURCE into the empty folder OUTPUT.
    void build(const QString& source, const QString& output) const;

    QString m_schemaFolder;
    QString m_password;
};

/// Reads a UTF-8 text file; throws CourseError naming it when it cannot be read.
QString readTextFile(const QString& file);
