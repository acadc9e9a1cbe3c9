#pragma once

#include "JetFile.h"

#include <QList>
#include <QString>
#include <QVariantList>
#include <functional>

/// What rebuilding a query may ask of the database it is rebuilt into.
struct JetQuerySources {
    /// The rows of the one-column select SQL, in order: a crosstab's headings read from
    /// the data. Throws CourseError when they cannot be read (yet).
    std::function<QVariantList(const QString& sql)> distinctValues;
    /// The SQL of the stored saved query NAME when it has parameters, "" otherwise: a
    /// query reading it reads it as a sub-query, whose parameters become its own.
    std::function<QString(const QString& name)> parameterQuery;
};

/// Rebuilds the SQL of one Jet saved query from its MSysQueries rows, in the stand-in's
/// dialect: select queries (columns, tables, joins of every kind, where, group by,
/// having, order by, distinct, top, parameters with their types), unions (their parts'
/// SQL text kept in the table rows), crosstabs (one column per heading: the fixed
/// headings of `PIVOT … In (…)`, or the values the data holds when it is rebuilt) and the
/// action queries delete, update and append. A query it cannot rebuild faithfully (a
/// query on another database, an expression without a translation) throws CourseError
/// saying why; the caller reports it.
class JetQueryBuilder {
public:
    /// The parts of a query, the values MSysQueries keeps in its Attribute column.
    enum Attribute {
        Start = 0, Type = 1, Parameter = 2, Flag = 3, RemoteDatabase = 4, Table = 5, Column = 6,
        Join = 7, Where = 8, GroupBy = 9, Having = 10, OrderBy = 11, End = 255
    };
    /// The kinds of query, the Flag of the Type row.
    enum Kind { Select = 1, MakeTable = 2, Append = 3, Update = 4, Delete = 5, CrossTab = 6, DataDefinition = 7, PassThrough = 8, Union = 9 };

    JetQueryBuilder(const QString& name, const QList<JetQueryRow>& rows, const JetQuerySources& sources = {});

    QString sql() const;
    /// Names the query uses that are neither columns nor declared parameters: Jet asks
    /// for their values, and so they become parameters (of no declared type).
    void setUndeclaredParameters(const QStringList& names) { m_undeclared = names; }
    /// What kind of query the SQL is, for the conversion's report, in Spanish as the
    /// report is ("una consulta de selección", "una consulta de referencias cruzadas con 4
    /// encabezados de columna leídos de los datos", …); set by sql().
    QString description() const { return m_description; }

private:
    QList<JetQueryRow> rowsOf(Attribute attribute) const;
    QString single(Attribute attribute) const;
    QString selectSql() const;
    QString fromClause() const;
    QString tailClauses() const;
    QMap<QString, QString> parameters() const;
    QString translate(const QString& expression) const;
    QString onlyTable(const char* kind) const;
    QString crosstabSql() const;
    QString unionSql() const;
    /// How rows without an order of their own come: as stored, or (a crosstab's, as Jet
    /// gives them) in the order of their headings.
    enum class Unordered { AsStored, ByGroups };
    /// The group by, having and order by clauses.
    QString groupAndOrder(const QStringList& groups, Unordered unordered) const;

    QString m_name;
    QList<JetQueryRow> m_rows;
    JetQuerySources m_sources;
    mutable QString m_description;
    QStringList m_undeclared;
};
