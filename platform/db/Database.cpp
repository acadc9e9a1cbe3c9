#include "Database.h"

#include "CourseError.h"
#include "JetFunctions.h"
#include "LikePattern.h"
#include "QueryDef.h"
#include "Recordset.h"
#include "SpanishCollation.h"
#include "SqlStatement.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrl>
#include <sqlite3.h>

namespace {

const QString lockTable = QStringLiteral("tamsel_lock");
const QString queryTable = QStringLiteral("tamsel_queries");

QString passwordHash(const QString& salt, const QString& password)
{
    return QString::fromLatin1(
        QCryptographicHash::hash((salt + password).toUtf8(), QCryptographicHash::Sha256).toHex());
}

enum class FileFormat { Missing, Unreadable, SQLite, Jet, Unknown };

// The file's first bytes are read through SQLite, never through a descriptor of our own:
// closing any descriptor of a file drops every POSIX lock the process holds on it, SQLite's
// included, and another process (a look with sqlite3, a backup) would then find the file
// unused, and copy the write-ahead log into it and delete it while our connections still
// write there. SQLite keeps its descriptors of a locked file open until its locks go.
FileFormat detectFormat(const QString& file)
{
    const QFileInfo info(file);
    if (!info.exists())
        return FileFormat::Missing;
    const QString uri = QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=ro");
    sqlite3* handle = nullptr;
    int rc = sqlite3_open_v2(uri.toUtf8().constData(), &handle, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    sqlite3_file* opened = nullptr;
    if (rc == SQLITE_OK)
        rc = sqlite3_file_control(handle, "main", SQLITE_FCNTL_FILE_POINTER, &opened);
    QByteArray head(32, '\0');
    if (rc == SQLITE_OK)
        rc = opened && opened->pMethods ? opened->pMethods->xRead(opened, head.data(), int(head.size()), 0) : SQLITE_CANTOPEN;
    sqlite3_close_v2(handle);
    if (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ) // a short file reads as zeros after its end
        return FileFormat::Unreadable;
    if (head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return FileFormat::SQLite;
    if (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB")
        return FileFormat::Jet;
    return FileFormat::Unknown;
}

bool isPlainName(const QString& source)
{
    static const QRegularExpression name(QStringLiteral("^[\\w-]+$"), QRegularExpression::UseUnicodePropertiesOption);
    return name.match(source).hasMatch();
}

QString quoted(const QString& identifier)
{
    QString copy = identifier;
    return QLatin1Char('"') + copy.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

} // namespace

QString connectStringValue(const QString& connect, const QString& key)
{
    const QStringList parts = connect.split(QLatin1Char(';'));
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq > 0 && part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return part.mid(eq + 1);
    }
    return {};
}

Database::Database(sqlite3* db, const QString& file, ShareMode share, AccessMode access)
    : m_db(db)
    , m_fileName(file)
    , m_storageFile(file)
    , m_share(share)
    , m_access(access)
{
}

Database::~Database()
{
    sqlite3_close_v2(m_db);
}

std::unique_ptr<Database> Database::open(const QString& file, ShareMode share, AccessMode access, const QString& connect)
{
    switch (detectFormat(file)) {
    case FileFormat::Missing:
        throw CourseError(QStringLiteral("%1: the database file is missing").arg(file));
    case FileFormat::Unreadable:
        throw CourseError(QStringLiteral("%1: the database file cannot be read").arg(file));
    case FileFormat::Jet:
        throw CourseError(QStringLiteral("%1: a Jet database file, which the player reads through a converted copy "
                                         "(made at start-up, or by tamsel-import)")
                              .arg(file));
    case FileFormat::Unknown:
        throw CourseError(QStringLiteral("%1: not a course database").arg(file));
    case FileFormat::SQLite:
        break;
    }

    // A read-only course opened exclusively is on a CD-ROM: nothing can change it under us.
    QString mode;
    if (access == AccessMode::ReadOnly)
        mode = share == ShareMode::Exclusive ? QStringLiteral("immutable=1") : QStringLiteral("mode=ro");
    else
        mode = QStringLiteral("mode=rw");
    const QString uri = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toString(QUrl::FullyEncoded)
        + QLatin1Char('?') + mode;
    const int flags = SQLITE_OPEN_URI
        | (access == AccessMode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(uri.toUtf8().constData(), &handle, flags, nullptr);
    std::unique_ptr<Database> db(new Database(handle, file, share, access));
    db->check(rc, QStringLiteral("opening"));
    db->check(SpanishCollation::registerOn(handle), QStringLiteral("making the Spanish text order known"));
    db->check(LikePattern::registerOn(handle), QStringLiteral("making the course's like patterns known"));
    db->check(JetFunctions::registerOn(handle), QStringLiteral("making the functions of saved Jet queries known"));
    db->waitWhileBusy();
    if (share == ShareMode::Exclusive && access == AccessMode::ReadWrite)
        db->execute(QStringLiteral("pragma locking_mode = exclusive"));
    // Touch the schema now, so that a damaged file fails here and names itself.
    SqlStatement(*db, QStringLiteral("select count(*) from sqlite_master")).run();
    db->verifyPassword(connect);
    return db;
}

bool Database::isJetFile(const QString& file)
{
    return detectFormat(file) == FileFormat::Jet;
}

bool Database::isSQLiteFile(const QString& file)
{
    return detectFormat(file) == FileFormat::SQLite;
}

std::unique_ptr<Database> Database::create(const QString& file, const QString& password)
{
    QFile::remove(file);
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(file.toUtf8().constData(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<Database> db(new Database(handle, file, ShareMode::Exclusive, AccessMode::ReadWrite));
    db->check(rc, QStringLiteral("creating"));
    db->check(SpanishCollation::registerOn(handle), QStringLiteral("making the Spanish text order known"));
    db->check(LikePattern::registerOn(handle), QStringLiteral("making the course's like patterns known"));
    db->check(JetFunctions::registerOn(handle), QStringLiteral("making the functions of saved Jet queries known"));
    // A new file may be shared at once (the learner's journal is): it waits like an opened one.
    db->waitWhileBusy();
    db->execute(QStringLiteral("create table %1 (name text primary key collate nocase, sql text not null)").arg(queryTable));
    if (!password.isEmpty()) {
        const QString salt = QString::number(QRandomGenerator::system()->generate64(), 16);
        db->execute(QStringLiteral("create table %1 (salt text not null, hash text not null)").arg(lockTable));
        SqlStatement insert(*db, QStringLiteral("insert into %1 values (?, ?)").arg(lockTable));
        insert.bind(1, salt);
        insert.bind(2, passwordHash(salt, password));
        insert.run();
    }
    return db;
}

void Database::waitWhileBusy()
{
    // Another connection's write lasts milliseconds; a lock held longer is an error.
    sqlite3_busy_timeout(m_db, 2000);
}

void Database::verifyPassword(const QString& connect)
{
    if (!hasTable(lockTable))
        return;
    const QString password = connectStringValue(connect, QStringLiteral("PWD"));
    SqlStatement lock(*this, QStringLiteral("select salt, hash from %1").arg(lockTable));
    while (lock.step()) {
        if (passwordHash(lock.value(0).toString(), password) == lock.value(1).toString())
            return;
    }
    throw CourseError(QStringLiteral("%1: wrong password: the database is locked with another one").arg(m_fileName));
}

void Database::check(int rc, const QString& what) const
{
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE)
        return;
    const QString reason = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
    throw CourseError(QStringLiteral("%1: %2 (%3)").arg(m_fileName, reason, what));
}

bool Database::hasTable(const QString& name) const
{
    SqlStatement query(*this,
        QStringLiteral("select 1 from sqlite_master where type in ('table', 'view') and name = ? collate nocase"));
    query.bind(1, name);
    return query.step();
}

QStringList Database::indexColumns(const QString& name) const
{
    SqlStatement info(*this, QStringLiteral("select name from pragma_index_info(?) order by seqno"));
    info.bind(1, name);
    QStringList columns;
    while (info.step())
        columns << info.value(0).toString();
    if (columns.isEmpty())
        throw CourseError(QStringLiteral("%1: no index named '%2'").arg(m_fileName, name));
    return columns;
}

void Database::execute(const QString& sql)
{
    char* error = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        const QString reason = QString::fromUtf8(error ? error : sqlite3_errstr(rc));
        sqlite3_free(error);
        throw CourseError(QStringLiteral("%1: %2 (running \"%3\")").arg(m_fileName, reason, sql.left(200)));
    }
}

void Database::saveQuery(const QString& name, const QString& sql)
{
    SqlStatement(*this, sql); // refuse SQL that does not even prepare
    SqlStatement insert(*this, QStringLiteral("insert or replace into %1 (name, sql) values (?, ?)").arg(queryTable));
    insert.bind(1, name);
    insert.bind(2, sql);
    insert.run();
}

QueryDef Database::queryDef(const QString& name)
{
    if (hasTable(queryTable)) {
        SqlStatement find(*this, QStringLiteral("select name, sql from %1 where name = ? collate nocase").arg(queryTable));
        find.bind(1, name);
        if (find.step())
            return QueryDef(*this, find.value(0).toString(), find.value(1).toString());
    }
    throw CourseError(QStringLiteral("%1: no saved query named \"%2\"").arg(m_fileName, name));
}

std::unique_ptr<Recordset> Database::openRecordset(const QString& source, RecordsetType type)
{
    const QString name = source.trimmed();
    if (isPlainName(name)) {
        if (hasTable(name)) {
            const QString columns = type == RecordsetType::Dynaset ? QStringLiteral("rowid as tamsel_rowid, *") : QStringLiteral("*");
            SqlStatement rows(*this, QStringLiteral("select %1 from %2").arg(columns, quoted(name)));
            if (type == RecordsetType::Dynaset && isReadOnly())
                throw CourseError(QStringLiteral("%1: cannot open %2 for writing: the database is read-only").arg(m_fileName, name));
            return std::make_unique<Recordset>(*this, rows, name, type, name);
        }
        if (type == RecordsetType::Snapshot)
            return queryDef(name).openRecordset();
        throw CourseError(QStringLiteral("%1: no table named '%2'").arg(m_fileName, name));
    }
    if (type == RecordsetType::Dynaset)
        throw CourseError(QStringLiteral("%1: a dynaset needs a table name, not \"%2\"").arg(m_fileName, source));
    SqlStatement rows(*this, source);
    return std::make_unique<Recordset>(*this, rows, source, type);
}
