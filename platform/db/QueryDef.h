#pragma once

#include "Database.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <map>
#include <memory>

class SqlStatement;

/// A saved query of a database, opened by name. Its SQL uses named parameters
/// (`:codigol`); each is set before the query is opened or executed.
class QueryDef {
public:
    QueryDef(Database& database, const QString& name, const QString& sql);

    QString name() const { return m_name; }
    QString sql() const { return m_sql; }
    /// Parameter names without their colon, in order of first use.
    QStringList parameterNames() const { return m_parameterNames; }

    /// Sets parameter NAME (with or without its colon, case-insensitive); throws
    /// CourseError when the query has no such parameter.
    void setParameter(const QString& name, const QVariant& value);

    /// Opens a snapshot of the query's rows; throws CourseError when a parameter is unset.
    std::unique_ptr<Recordset> openRecordset();

    /// Runs an action query; returns the number of rows it changed.
    int execute();

private:
    QString canonicalParameter(const QString& name) const;
    std::unique_ptr<SqlStatement> prepare() const;

    Database& m_database;
    QString m_name;
    QString m_sql;
    QStringList m_parameterNames;
    std::map<QString, QVariant> m_values;
};
