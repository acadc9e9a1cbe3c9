#pragma once

#include "Database.h"

#include <QString>
#include <functional>
#include <memory>

class Trace;
struct JetConversion;

/// Opens the course's databases whatever format holds them. A Jet file is converted into
/// a stand-in database the first time and the copy opened from then on:
/// - a read-only (content) database into the user's cache folder, under a name made
///   from the file's identity (path, device, inode, size, modification time) and a hash
///   of its first pages (header and catalog), so that a changed file is converted again
///   and an unchanged one never; a cache folder that cannot be written gives way to one
///   that can;
/// - a writable (learner) database once, beside itself (same name, extension
///   ".sqlite"), or in the user's data folder when nothing may be written beside it;
///   a copy already made in either place is the one used, and when both places have
///   one, the learner's rows of both are brought into one and the other set aside.
///   From then on only that copy is written, since it holds the learner's progress, and
///   the Jet file is left as it was.
/// Each conversion runs under the copy's JetCopyLock, so that players and tools that
/// convert one file at once never destroy each other's copy; a copy is written to disk
/// before it takes its name, and never replaces one that is there. A damaged copy is set
/// aside (renamed, never deleted) and made again from the Jet file.
/// The connect string's password is checked against the Jet file's before anything is
/// converted. Other files are opened by Database::open as they are. Errors name the
/// course's own file; Database::storageFile() names the copy really open.
class JetStandIn {
public:
    /// Receives what the learner should be told: a copy of their progress set aside.
    using Tell = std::function<void(const QString& message)>;

    /// As Database::open; a conversion is traced as db.convert (and db.convert.query for
    /// each saved query, rebuilt or not and why) on TRACE when given, a copy set aside
    /// as db.setaside, two learner copies brought together as db.merge, a cache folder
    /// given up as db.cache. TELL hears of a learner's copy set aside.
    static std::unique_ptr<Database> open(const QString& file, ShareMode share, AccessMode access,
        const QString& connect, Trace* trace = nullptr, const Tell& tell = {});

    /// Where the converted copy of the content database FILE, as it is now, lives in the cache.
    static QString cachedCopy(const QString& file);
    /// Where the converted copy of the learner database FILE is: the one already made
    /// (beside it first), otherwise where it would be made.
    static QString learnerCopy(const QString& file);
    /// The cache folder of converted copies: $XDG_CACHE_HOME/tamsel/, made only the
    /// user's; when that cannot be written, tamsel/cache/ in the user's data folder, then
    /// one in the temporary folder.
    static QString cacheFolder();

    /// Throws CourseError naming FILE when CONNECT's password is not the Jet file's.
    static void checkPassword(const QString& file, const QString& password, const QString& connect);

    /// Writes CONVERSION to TRACE.
    static void traceConversion(Trace& trace, const JetConversion& conversion);
};
