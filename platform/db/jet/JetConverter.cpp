#include "JetConverter.h"

#include "CourseError.h"
#include "Database.h"
#include "JetFile.h"
#include "JetQueryBuilder.h"
#include "JetSqlTranslator.h"
#include "SavedQueryFile.h"
#include "SqlStatement.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSet>

#include <glib.h>
#include <mdbtools.h>

namespace {

QString sqlType(int jetType)
{
    switch (jetType) {
    case MDB_BOOL: case MDB_BYTE: case MDB_INT: case MDB_LONGINT: case MDB_COMPLEX: return QStringLiteral("integer");
    case MDB_MONEY: case MDB_FLOAT: case MDB_DOUBLE: case MDB_NUMERIC: return QStringLiteral("real");
    case MDB_BINARY: case MDB_OLE: return QStringLiteral("blob");
    default: return QStringLiteral("text");
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

void rebuildQueries(const JetFile& jet, Database& db, JetConversion& result)
{
    const auto queries = jet.savedQueries();
    QSet<QString> stored;
    QHash<QString, QString> reasons;
    for (const auto& [name, rows] : queries) {
        ++result.queries;
        try {
            db.saveQuery(name, JetQueryBuilder(name, rows).sql());
            ++result.rebuilt;
            stored.insert(name.toLower());
        } catch (const CourseError& error) {
            reasons.insert(name.toLower(), error.message());
            result.unrebuilt << JetConversion::Unrebuilt { name, error.message(), false };
        }
    }
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
            result.unrebuilt << JetConversion::Unrebuilt { query.name, QStringLiteral("the file has no saved query of that name"), true };
    }
}

} // namespace

JetConversion JetConverter::convert(const QString& jetFile, const QString& target, const Progress& progress)
{
    QElapsedTimer clock;
    clock.start();
    const JetFile jet(jetFile);
    JetConversion result;
    result.file = jetFile;
    result.format = jet.header().versionName();

    const QString partial = target + QStringLiteral(".part");
    try {
        auto db = Database::create(partial, jet.header().password());
        // A half-made copy is thrown away, never used: it needs no journal.
        db->execute(QStringLiteral("pragma journal_mode = off; pragma synchronous = off; begin"));
        const QStringList tables = jet.tables();
        for (const QString& table : tables) {
            copyTable(jet, *db, table, result, progress);
            ++result.tables;
        }
        rebuildQueries(jet, *db, result);
        db->execute(QStringLiteral("commit"));
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
    QFile::remove(target);
    if (!QFile::rename(partial, target)) {
        QFile::remove(partial);
        throw CourseError(QStringLiteral("%1: the converted copy cannot be written to %2").arg(jetFile, target));
    }
    result.ms = clock.elapsed();
    return result;
}
