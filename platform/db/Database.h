#pragma once

#include <QString>
#include <QVariant>
#include <memory>

struct sqlite3;
class QueryDef;
class Recordset;

enum class ShareMode { Shared, Exclusive };
enum class AccessMode { ReadOnly, ReadWrite };
enum class RecordsetType { Snapshot, Dynaset };

/// An open course database: the content database `bbm.mdb` or the learner database
/// `usrcurso.mdb`. The files keep those names whatever engine holds them; the format is
/// recognised by the file's first bytes. A database may carry a password lock (a salted
/// hash in a table of its own): a lock against casual opening, not encryption.
class Database {
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    /// Opens FILE. Read-only exclusive opening (a course on a CD-ROM) treats the file as
    /// immutable. CONNECT is a connect string such as "MS Access;PWD=secret". Throws
    /// CourseError naming the file when it is missing, of an unknown format, or locked
    /// with another password.
    static std::unique_ptr<Database> open(const QString& file, ShareMode share, AccessMode access,
        const QString& connect);

    /// True when FILE is a legacy Jet database (by its first bytes); JetStandIn opens those.
    static bool isJetFile(const QString& file);
    /// True when FILE is an SQLite database (by its first bytes), as the course compiler makes them.
    static bool isSQLiteFile(const QString& file);

    /// Creates a new, empty database at FILE (replacing any file there), locked with
    /// PASSWORD unless it is empty. Used by the course compiler and by tests.
    static std::unique_ptr<Database> create(const QString& file, const QString& password);

    /// The file errors name: the one the course knows, which for a converted copy of a
    /// Jet database is the Jet file (see nameAfter()).
    QString fileName() const { return m_fileName; }
    /// The file really open.
    QString storageFile() const { return m_storageFile; }
    /// Errors name FILE, the course's own file, instead of the copy really open.
    void nameAfter(const QString& file) { m_fileName = file; }
    /// Keeps HOLDER (a lock on the file, say) for as long as the database is open.
    void keepWhileOpen(std::shared_ptr<const void> holder) { m_kept = std::move(holder); }
    bool isReadOnly() const { return m_access == AccessMode::ReadOnly; }
    bool isExclusive() const { return m_share == ShareMode::Exclusive; }

    /// Opens a record set on SOURCE: a table name, the name of a saved query without
    /// parameters, or SQL text. A dynaset needs a table name and a writable database.
    std::unique_ptr<Recordset> openRecordset(const QString& source, RecordsetType type = RecordsetType::Snapshot);

    /// The saved query NAME (case-insensitive); throws CourseError when there is none.
    QueryDef queryDef(const QString& name);

    /// Stores or replaces the saved query NAME with SQL text that may use named
    /// parameters (`:codigol`).
    void saveQuery(const QString& name, const QString& sql);

    /// Runs one or more SQL statements that return no rows.
    void execute(const QString& sql);

    /// True when the database has a table (or view) of that name.
    bool hasTable(const QString& name) const;

    /// Columns of index NAME in key order; throws CourseError when there is no such index.
    QStringList indexColumns(const QString& name) const;

    sqlite3* handle() const { return m_db; }

    /// Throws CourseError for an SQLite result code, naming this database and WHAT.
    void check(int rc, const QString& what) const;

private:
    Database(sqlite3* db, const QString& file, ShareMode share, AccessMode access);
    void verifyPassword(const QString& connect);
    /// A lock held by another connection is waited for a moment before it is an error.
    void waitWhileBusy();

    sqlite3* m_db = nullptr;
    QString m_fileName;
    QString m_storageFile;
    std::shared_ptr<const void> m_kept;
    ShareMode m_share = ShareMode::Shared;
    AccessMode m_access = AccessMode::ReadOnly;
};

/// The value of KEY in a connect string such as "MS Access;PWD=secret" ("" when absent).
QString connectStringValue(const QString& connect, const QString& key);
