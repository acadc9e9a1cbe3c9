#include "JetCopyMerge.h"

#include "CourseError.h"
#include "Database.h"
#include "JetSqlTranslator.h"
#include "SqlStatement.h"

#include <QScopeGuard>

namespace {

const QString attached = QStringLiteral("merged");

QStringList columnsOf(const Database& db, const QString& schema, const QString& table)
{
    QStringList columns;
    SqlStatement info(db, QStringLiteral("select name from pragma_table_info(?, ?)"));
    info.bind(1, table);
    info.bind(2, schema);
    while (info.step())
        columns << info.value(0).toString();
    return columns;
}

qint64 count(const Database& db, const QString& sql)
{
    SqlStatement rows(db, sql);
    return rows.step() ? rows.value(0).toLongLong() : 0;
}

} // namespace

QList<JetCopyMerge::Taken> JetCopyMerge::merge(Database& into, const QString& from)
{
    SqlStatement attach(into, QStringLiteral("attach database ? as %1").arg(attached));
    attach.bind(1, from);
    attach.run();
    const auto detach = qScopeGuard([&] {
        try {
            into.execute(QStringLiteral("detach database %1").arg(attached));
        } catch (const CourseError&) {
            // Detached with the connection, later: nothing of either copy depends on it.
        }
    });

    QList<Taken> taken;
    into.execute(QStringLiteral("begin immediate"));
    try {
        QList<std::pair<QString, QString>> tables; // name, definition
        SqlStatement list(into, QStringLiteral("select name, sql from %1.sqlite_master where type = 'table'"
                                               " and name not like 'sqlite\\_%' escape '\\' and name not like 'tamsel\\_%' escape '\\'"
                                               " order by name")
                                    .arg(attached));
        while (list.step())
            tables << std::pair { list.value(0).toString(), list.value(1).toString() };
        for (const auto& [table, definition] : tables) {
            if (!into.hasTable(table))
                into.execute(definition);
            // Columns both copies have: a copy made by another converter version may lack one.
            const QStringList theirs = columnsOf(into, attached, table);
            QStringList shared;
            for (const QString& column : columnsOf(into, QStringLiteral("main"), table)) {
                if (theirs.contains(column, Qt::CaseInsensitive))
                    shared << JetSqlTranslator::quotedName(column);
            }
            if (shared.isEmpty())
                continue;
            const QString name = JetSqlTranslator::quotedName(table);
            const QString columns = shared.join(QStringLiteral(", "));
            const QString missing = QStringLiteral("select %1 from %2.%3 except select %1 from main.%3").arg(columns, attached, name);
            const qint64 rows = count(into, QStringLiteral("select count(*) from (%1)").arg(missing));
            if (rows > 0)
                into.execute(QStringLiteral("insert into main.%1 (%2) %3").arg(name, columns, missing));
            taken << Taken { table, rows };
        }
        into.execute(QStringLiteral("commit"));
    } catch (...) {
        into.execute(QStringLiteral("rollback"));
        throw;
    }
    return taken;
}
