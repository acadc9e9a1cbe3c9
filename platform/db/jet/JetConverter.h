#pragma once

#include "JetChildProcess.h"
#include "JetFile.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>

class Database;

/// What one conversion did, as the db.convert trace event reports it.
struct JetConversion {
    QString file;
    QString format;
    int tables = 0;
    qint64 rows = 0;
    int queries = 0;
    int rebuilt = 0;
    int fallback = 0;
    qint64 ms = 0;
    /// Each saved query that could not be rebuilt, with the reason, and whether the
    /// player's own definition stands in for it.
    struct Unrebuilt {
        QString name;
        QString reason;
        bool fallback = false;
    };
    QList<Unrebuilt> unrebuilt;
    /// Each saved query rebuilt, with what it became, in Spanish for the conversion's
    /// report ("una consulta de selección, una vista", "una consulta de selección con los
    /// parámetros :a, :b", …), in the order they were stored.
    struct Rebuilt {
        QString name;
        QString how;
    };
    QList<Rebuilt> rebuiltQueries;
};

/// How the finished copy is put in place.
struct JetCopyPlacing {
    /// Keep: an existing target (another process's copy, perhaps open) is never
    /// replaced; the conversion fails naming it. Replace: it is replaced at once.
    enum class Existing { Replace, Keep };
    Existing existing = Existing::Replace;
    /// Only the user may read or write the copy; otherwise it gets what the umask gives.
    enum class Access { Umask, OwnerOnly };
    Access access = Access::Umask;
    /// Called with the copy complete and on disk, just before it is moved into place;
    /// a CourseError thrown here discards it.
    std::function<void()> beforePlacing;
};

/// Converts a Jet database into a stand-in database: every user table with its rows and
/// named indexes, and the saved queries rebuilt from MSysQueries; a saved query the
/// course names that is missing or cannot be rebuilt gets the player's own definition
/// when that fits the converted tables. The target is written under another name and
/// moved into place only when complete and on disk, so it is never seen half made, not
/// even after a power loss. The Jet file is only read.
class JetConverter {
public:
    /// Called now and then while a table is copied: table, rows copied, rows declared.
    using Progress = std::function<void(const QString& table, qint64 done, qint64 total)>;

    /// Converts JETFILE into TARGET, locked with the Jet file's own password. The reading
    /// runs in the reader program (JetChildProcess), which may go SILENCEMS without progress.
    /// Throws CourseError naming the file (and the table) on any failure, a crash or hang
    /// of the reader included; TARGET is then untouched. The copy is put in place as
    /// PLACING says.
    static JetConversion convert(const QString& jetFile, const QString& target, const Progress& progress = {},
        int silenceMs = 30000, const JetCopyPlacing& placing = {});

    /// The reader program's side of convert(): converts JETFILE into the new file PARTIAL
    /// in this process, reporting tables, progress and findings through SEND. Everything
    /// it runs is denied other files and pragmas of its own.
    static void convertHere(const QString& jetFile, const QString& partial, const JetChildProcess::Send& send);

    /// Stores the saved queries QUERIES (MSysQueries rows by query name) in DB, rebuilt;
    /// then, for each query the course names that is not stored, the player's own
    /// definition when it fits DB's tables. Counts and reports into RESULT.
    static void rebuildQueries(const std::map<QString, QList<JetQueryRow>>& queries, Database& db, JetConversion& result);
};
