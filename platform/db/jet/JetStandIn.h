#pragma once

#include "Database.h"

#include <QString>
#include <memory>

class Trace;
struct JetConversion;

/// Opens the course's databases whatever format holds them. A Jet file is converted into
/// a stand-in database the first time and the copy opened from then on:
/// - a read-only (content) database into the user's cache folder, under a name made
///   from the file's identity (path, device, inode, size, modification time), so that a
///   changed file is converted again and an unchanged one never;
/// - a writable (learner) database once, beside itself (same name, extension
///   ".sqlite"), or in the user's data folder when nothing may be written beside it;
///   from then on only that copy is written, since it holds the learner's progress, and
///   the Jet file is left as it was.
/// The connect string's password is checked against the Jet file's before anything is
/// converted. Other files are opened by Database::open as they are.
class JetStandIn {
public:
    /// As Database::open; a conversion is traced as db.convert (and db.convert.query for
    /// each saved query that could not be rebuilt) on TRACE when given.
    static std::unique_ptr<Database> open(const QString& file, ShareMode share, AccessMode access,
        const QString& connect, Trace* trace = nullptr);

    /// Where the converted copy of the content database FILE lives in the cache.
    static QString cachedCopy(const QString& file);
    /// Where the converted copy of the learner database FILE lives.
    static QString learnerCopy(const QString& file);
    /// The cache folder of converted copies ($XDG_CACHE_HOME/tamsel/).
    static QString cacheFolder();

    /// Throws CourseError naming FILE when CONNECT's password is not the Jet file's.
    static void checkPassword(const QString& file, const QString& password, const QString& connect);

    /// Writes CONVERSION to TRACE.
    static void traceConversion(Trace& trace, const JetConversion& conversion);
};
