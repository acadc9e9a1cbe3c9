#include "QueryDef.h"

#include "CourseError.h"
#include "Recordset.h"
#include "SqlStatement.h"

QueryDef::QueryDef(Database& database, const QString& name, const QString& sql)
    : m_database(database)
    , m_name(name)
    , m_sql(sql)
{
    const QStringList names = SqlStatement(database, sql).parameterNames();
    for (const QString& parameter : names) {
        if (!m_parameterNames.contains(parameter))
            m_parameterNames << parameter;
    }
}

QString QueryDef::canonicalParameter(const QString& name) const
{
    const QString bare = name.startsWith(QLatin1Char(':')) ? name.mid(1) : name;
    for (const QString& parameter : m_parameterNames) {
        if (parameter.compare(bare, Qt::CaseInsensitive) == 0)
            return parameter;
    }
    throw CourseError(QStringLiteral("%1: saved query \"%2\" has no parameter '%3'").arg(m_database.fileName(), m_name, bare));
}

void QueryDef::setParameter(const QString& name, const QVariant& value)
{
    m_values[canonicalParameter(name)] = value;
}

std::unique_ptr<SqlStatement> QueryDef::prepare() const
{
    auto statement = std::make_unique<SqlStatement>(m_database, m_sql);
    for (const QString& parameter : m_parameterNames) {
        const auto value = m_values.find(parameter);
        if (value == m_values.end())
            throw CourseError(QStringLiteral("%1: saved query \"%2\" needs its parameter '%3'").arg(m_database.fileName(), m_name, parameter));
        statement->bind(QLatin1Char(':') + parameter, value->second);
    }
    return statement;
}

std::unique_ptr<Recordset> QueryDef::openRecordset()
{
    return std::make_unique<Recordset>(m_database, *prepare(), m_name, RecordsetType::Snapshot);
}

int QueryDef::execute()
{
    if (m_database.isReadOnly())
        throw CourseError(QStringLiteral("%1: cannot run \"%2\": the database is read-only").arg(m_database.fileName(), m_name));
    return prepare()->run();
}
