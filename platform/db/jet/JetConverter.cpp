#include "JetConverter.h"

#include "CourseError.h"
#include "Database.h"
#include "JetChildProcess.h"
#include "JetFile.h"
#include "JetHeader.h"
#include "JetQueryBuilder.h"
#include "JetSqlTranslator.h"
#include "QueryDef.h"
#include "SavedQueryFile.h"
#include "SpanishCollation.h"
#include "SpanishCount.h"
#include "SqlStatement.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <glib.h>
#include <mdbtools.h>
#include <sqlite3.h>

namespace {

QString sqlType(int jetType)
{
    switch (jetType) {
    case MDB_BOOL: case MDB_BYTE: case MDB_INT: case MDB_LONGINT: case MDB_COMPLEX: return QStringLiteral("integer");
    case MDB_MONEY: case MDB_FLOAT: case MDB_DOUBLE: case MDB_NUMERIC: return QStringLiteral("real");
    case MDB_BINARY: case MDB_OLE: return QStringLiteral("blob");
    // Jet orders text by the database's sort order, not by code points: the Spanish
    // order the course's own databases use is the nearest.
    default: return QStringLiteral("text collate ") + QLatin1String(SpanishCollation::Name);
    }
}

constexpr qint64 progressStep = 2000;

void copyTable(const JetFile& jet, Database& db, const QString& table, JetConversion& result, const JetConverter::Progress& progress)
{
    const QList<JetColumn> columns = jet.columns(table);
    QStringList definitions, placeholders;
    for (const JetColumn& column : columns) {
        definitions << JetSqlTranslator::quotedName(column.name) + QLatin1Char(' ') + sqlType(column.type);
        placeholders << QStringLiteral("?");
    }
    if (definitions.isEmpty())
        return;
    const QString name = JetSqlTranslator::quotedName(table);
    db.execute(QStringLiteral("create table %1 (%2)").arg(name, definitions.join(QStringLiteral(", "))));
    SqlStatement insert(db, QStringLiteral("insert into %1 values (%2)").arg(name, placeholders.join(QStringLiteral(", "))));
    const qint64 total = jet.declaredRowCount(table);
    qint64 done = 0;
    jet.readRows(table, [&](const QVariantList& values) {
        for (qsizetype i = 0; i < values.size(); ++i)
            insert.bind(int(i) + 1, values[i]);
        insert.run();
        insert.reset();
        if (progress && ++done % progressStep == 0)
            progress(table, done, total);
    });
    if (progress)
        progress(table, total, total);
    result.rows += total;

    // SQLite's index names are the database's, Jet's the table's: a name already taken
    // ("PrimaryKey" of another table) gets its table's name in front.
    const QList<JetIndex> indexes = jet.indexes(table);
    for (const JetIndex& index : indexes) {
        QString indexName = index.name;
        SqlStatement taken(db, QStringLiteral("select 1 from sqlite_master where name = ? collate nocase"));
        taken.bind(1, indexName);
        if (taken.step())
            indexName = table + QLatin1Char('_') + index.name;
        QStringList keys;
        for (const QString& column : index.columns)
            keys << JetSqlTranslator::quotedName(column);
        db.execute(QStringLiteral("create index %1 on %2 (%3)").arg(JetSqlTranslator::quotedName(indexName), name, keys.join(QStringLiteral(", "))));
    }
}

} // namespace

namespace {

// A query naming more unknown names than this is taken to be broken, not to ask for them.
constexpr int maxUndeclared = 16;

// Whether SQL reads rows (a select or a union of them) rather than changing any.
bool isSelect(const QString& sql)
{
    static const QRegularExpression select(QStringLiteral("^\\s*\\(*\\s*select\\b"), QRegularExpression::CaseInsensitiveOption);
    return select.match(sql).hasMatch();
}

} // namespace

namespace {

// A "quoted" name SQLite finds no column for would be taken as a text literal: a Jet
// name that is no column (a parameter Jet asks for, a misspelt field) must be an error
// instead, while the queries are rebuilt. The connection's setting is put back after.
class StrictQuotedNames {
public:
    explicit StrictQuotedNames(Database& db)
        : m_handle(db.handle())
    {
        // A negative value only reads the setting.
        sqlite3_db_config(m_handle, SQLITE_DBCONFIG_DQS_DML, -1, &m_dml);
        sqlite3_db_config(m_handle, SQLITE_DBCONFIG_DQS_DDL, -1, &m_ddl);
        sqlite3_db_config(m_handle, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
        sqlite3_db_config(m_handle, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    }
    ~StrictQuotedNames()
    {
        sqlite3_db_config(m_handle, SQLITE_DBCONFIG_DQS_DML, m_dml, nullptr);
        sqlite3_db_config(m_handle, SQLITE_DBCONFIG_DQS_DDL, m_ddl, nullptr);
    }
    StrictQuotedNames(const StrictQuotedNames&) = delete;
    StrictQuotedNames& operator=(const StrictQuotedNames&) = delete;

private:
    sqlite3* m_handle;
    int m_dml = 1;
    int m_ddl = 1;
};

} // namespace

void JetConverter::rebuildQueries(const std::map<QString, QList<JetQueryRow>>& queries, Database& db, JetConversion& result)
{
    const StrictQuotedNames strict(db);
    result.queries += int(queries.size());
    QSet<QString> stored;
    // A Jet query may read another saved query as if it were a table: every select query
    // without parameters also becomes a view, and the queries left are tried again, pass
    // after pass, as long as a pass stores any.
    std::map<QString, QString> left; // name → why the latest try failed
    for (const auto& entry : queries)
        left[entry.first] = QString();
    const JetQuerySources sources {
        [&db](const QString& sql) {
            SqlStatement values(db, sql);
            if (!values.parameterNames().isEmpty())
                throw CourseError(QStringLiteral("its column headings depend on its parameters: only fixed headings (PIVOT … In (…)) can be rebuilt"));
            QVariantList found;
            while (values.step())
                found << values.value(0);
            return found;
        },
        [&db, &stored](const QString& name) {
            if (!stored.contains(name.toLower()))
                return QString();
            const QueryDef query = db.queryDef(name);
            return !query.parameterNames().isEmpty() && isSelect(query.sql()) ? query.sql() : QString();
        },
    };
    bool progress = true;
    while (progress && !left.empty()) {
        progress = false;
        for (auto it = left.begin(); it != left.end();) {
            try {
                // Jet asks for the value of any name it does not know, as for a declared
                // parameter: such a name is made a parameter, and the query tried again.
                QStringList undeclared;
                QString sql, description;
                for (;;) {
                    JetQueryBuilder builder(it->first, queries.at(it->first), sources);
                    builder.setUndeclaredParameters(undeclared);
                    try {
                        sql = builder.sql();
                        db.saveQuery(it->first, sql);
                        description = builder.description();
                        break;
                    } catch (const CourseError& error) {
                        static const QRegularExpression unknown(QStringLiteral(": no such column: ([^.\"]+) \\(\""));
                        const QRegularExpressionMatch m = unknown.match(error.message());
                        if (!m.hasMatch() || undeclared.contains(m.captured(1), Qt::CaseInsensitive) || undeclared.size() >= maxUndeclared)
                            throw;
                        undeclared << m.captured(1);
                    }
                }
                const QStringList parameters = db.queryDef(it->first).parameterNames();
                QString how = description;
                if (!isSelect(sql)) {
                    how += QStringLiteral(", que ejecuta el reproductor");
                } else if (parameters.isEmpty()) {
                    SqlStatement(db, QStringLiteral("create view %1 as %2").arg(JetSqlTranslator::quotedName(it->first), sql)).run();
                    how += QStringLiteral(", una vista");
                }
                if (!parameters.isEmpty())
                    how += SpanishCount::word(parameters.size(), QStringLiteral(" con el parámetro :"), QStringLiteral(" con los parámetros :"))
                        + parameters.join(QStringLiteral(", :"));
                if (!undeclared.isEmpty())
                    how += QStringLiteral(" (sin declarar: ") + undeclared.join(QStringLiteral(", ")) + QLatin1Char(')');
                ++result.rebuilt;
                result.rebuiltQueries << JetConversion::Rebuilt { it->first, how };
                stored.insert(it->first.toLower());
                it = left.erase(it);
                progress = true;
            } catch (const CourseError& error) {
                it->second = error.message();
                ++it;
            }
        }
    }
    for (const auto& [name, reason] : left)
        result.unrebuilt << JetConversion::Unrebuilt { name, reason, false };

    // The queries the course names cannot be done without: the player's own definition
    // stands in for one the file lacks or that could not be rebuilt, when it fits.
    const QList<SavedQuery> own = SavedQueryFile::playerDefinitions();
    for (const SavedQuery& query : own) {
        if (stored.contains(query.name.toLower()))
            continue;
        try {
            db.saveQuery(query.name, query.sql);
        } catch (const CourseError&) {
            continue; // not this database's query: its tables are not here
        }
        ++result.fallback;
        bool reported = false;
        for (JetConversion::Unrebuilt& entry : result.unrebuilt) {
            if (entry.name.compare(query.name, Qt::CaseInsensitive) == 0) {
                entry.fallback = reported = true;
            }
        }
        if (!reported)
            result.unrebuilt << JetConversion::Unrebuilt { query.name, QStringLiteral("el archivo no tiene ninguna consulta guardada con ese nombre"), true };
    }
}

namespace {

// The pragmas the conversion sets itself; a course's file gets no other.
bool isOwnPragma(const char* name)
{
    return name && (std::strcmp(name, "journal_mode") == 0 || std::strcmp(name, "synchronous") == 0);
}

// The course's file decides what SQL the conversion runs: whatever gets through, it may
// not reach another file (VACUUM, INTO a file or not, attaches its copy and is refused
// with ATTACH) nor change how this one is kept.
int conversionAuthorizer(void*, int action, const char* first, const char*, const char*, const char*)
{
    switch (action) {
    case SQLITE_ATTACH:
    case SQLITE_DETACH:
        return SQLITE_DENY;
    case SQLITE_PRAGMA:
        return isOwnPragma(first) ? SQLITE_OK : SQLITE_DENY;
    default:
        return SQLITE_OK;
    }
}

} // namespace

void JetConverter::convertHere(const QString& jetFile, const QString& partial, const JetChildProcess::Send& send)
{
    const JetFile jet(jetFile);
    JetConversion result;
    auto db = Database::create(partial, jet.header().password());
    db->check(sqlite3_set_authorizer(db->handle(), conversionAuthorizer, nullptr), QStringLiteral("limiting what the conversion may do"));
    // Written as any database is, journal and all, so that what is moved into place is
    // whole once the commit returns.
    db->execute(QStringLiteral("pragma journal_mode = delete; pragma synchronous = full; begin"));
    const QStringList tables = jet.tables();
    for (const QString& table : tables) {
        send("table " + table.toUtf8());
        copyTable(jet, *db, table, result, [&](const QString&, qint64 done, qint64 total) {
            send("progress " + QByteArray::number(done) + ' ' + QByteArray::number(total));
        });
        ++result.tables;
    }
    send("table MSysQueries");
    JetConverter::rebuildQueries(jet.savedQueries(), *db, result);
    db->execute(QStringLiteral("commit"));
    for (const JetConversion::Rebuilt& query : result.rebuiltQueries)
        send("rebuilt " + query.name.toUtf8() + '\x1f' + query.how.toUtf8());
    for (const JetConversion::Unrebuilt& query : result.unrebuilt)
        send("unrebuilt " + QByteArray(query.fallback ? "1 " : "0 ") + query.name.toUtf8() + '\x1f' + query.reason.toUtf8());
    send("summary " + jet.header().versionName().toUtf8() + '\x1f' + QByteArray::number(result.tables) + ' ' + QByteArray::number(result.rows) + ' '
        + QByteArray::number(result.queries) + ' ' + QByteArray::number(result.rebuilt) + ' ' + QByteArray::number(result.fallback));
}

namespace {

// The parent's reading of one line from convertHere, in the reader program.
void receiveLine(const QByteArray& line, QString& table, JetConversion& result, const JetConverter::Progress& progress)
{
    const qsizetype space = line.indexOf(' ');
    const QByteArray kind = line.left(space);
    const QByteArray rest = space < 0 ? QByteArray() : line.mid(space + 1);
    if (kind == "table") {
        table = QString::fromUtf8(rest);
    } else if (kind == "progress" && progress) {
        const QList<QByteArray> numbers = rest.split(' ');
        if (numbers.size() == 2)
            progress(table, numbers[0].toLongLong(), numbers[1].toLongLong());
    } else if (kind == "rebuilt") {
        const QList<QByteArray> parts = rest.split('\x1f');
        result.rebuiltQueries << JetConversion::Rebuilt { QString::fromUtf8(parts.value(0)), QString::fromUtf8(parts.value(1)) };
    } else if (kind == "unrebuilt") {
        const QList<QByteArray> parts = rest.mid(2).split('\x1f');
        result.unrebuilt << JetConversion::Unrebuilt { QString::fromUtf8(parts.value(0)), QString::fromUtf8(parts.value(1)), rest.startsWith('1') };
    } else if (kind == "summary") {
        const QList<QByteArray> parts = rest.split('\x1f');
        result.format = QString::fromUtf8(parts.value(0));
        const QList<QByteArray> numbers = parts.value(1).split(' ');
        if (numbers.size() == 5) {
            result.tables = numbers[0].toInt();
            result.rows = numbers[1].toLongLong();
            result.queries = numbers[2].toInt();
            result.rebuilt = numbers[3].toInt();
            result.fallback = numbers[4].toInt();
        }
    }
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The copy's bytes reach the disk before its name does: after a power loss the name
// either is missing or names a whole database.
void syncCopy(const QString& jetFile, const QString& partial, JetCopyPlacing::Access access)
{
    const int fd = ::open(QFile::encodeName(partial).constData(), O_RDWR | O_CLOEXEC);
    const bool done = fd >= 0 && (access == JetCopyPlacing::Access::Umask || ::fchmod(fd, 0600) == 0) && ::fsync(fd) == 0;
    const QString why = systemError();
    if (fd >= 0)
        ::close(fd);
    if (!done)
        throw CourseError(QStringLiteral("%1: the converted copy %2 cannot be written to disk (%3)").arg(jetFile, partial, why));
}

bool renameWithoutReplacing(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the no-replace rename: a hard link is refused over an
    // existing name just as well.
    if (::link(from.constData(), to.constData()) != 0)
        return false;
    ::unlink(from.constData());
    return true;
}

void placeCopy(const QString& jetFile, const QString& partial, const QString& target, JetCopyPlacing::Existing existing)
{
    const QByteArray from = QFile::encodeName(partial);
    const QByteArray to = QFile::encodeName(target);
    const bool placed = existing == JetCopyPlacing::Existing::Keep ? renameWithoutReplacing(from, to)
                                                                          : ::rename(from.constData(), to.constData()) == 0;
    if (!placed) {
        const bool taken = errno == EEXIST;
        const QString why = systemError();
        QFile::remove(partial);
        throw CourseError(taken ? QStringLiteral("%1: another converted copy is already at %2 and is kept").arg(jetFile, target)
                                : QStringLiteral("%1: the converted copy cannot be written to %2 (%3)").arg(jetFile, target, why));
    }
    // The new name is on disk only once its folder is.
    const int folder = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

} // namespace

JetConversion JetConverter::convert(const QString& jetFile, const QString& target, const Progress& progress, int silenceMs,
    const JetCopyPlacing& placing)
{
    QElapsedTimer clock;
    clock.start();
    // The header is checked here, so that the commonest faults need no child to report them.
    JetHeader::read(jetFile);
    JetConversion result;
    result.file = jetFile;
    // Two conversions of one file at once (the player and tamsel-import) must not share
    // their unfinished copy.
    const QString partial = target + QStringLiteral(".part%1").arg(QCoreApplication::applicationPid());
    QString table;
    try {
        JetChildProcess(jetFile, silenceMs).run({ jetFile, partial }, [&](const QByteArray& line) { receiveLine(line, table, result, progress); });
        syncCopy(jetFile, partial, placing.access);
        if (placing.beforePlacing)
            placing.beforePlacing();
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
    placeCopy(jetFile, partial, target, placing.existing);
    result.ms = clock.elapsed();
    return result;
}
