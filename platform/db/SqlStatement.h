#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

class Database;
struct sqlite3_stmt;

/// One prepared SQLite statement of a Database: binding, stepping and reading columns,
/// with every failure turned into a CourseError that names the database and the SQL.
/// The SQL is one statement: anything but blanks and comments after it is refused.
class SqlStatement {
public:
    SqlStatement(const Database& database, const QString& sql);
    ~SqlStatement();
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    /// Names of the statement's named parameters without their colon, in order.
    QStringList parameterNames() const;
    void bind(const QString& parameterWithColon, const QVariant& value);
    void bind(int position, const QVariant& value); ///< 1-based

    /// Steps once: true while a row is available.
    bool step();
    /// Makes the statement ready to run again, keeping its bound values.
    void reset();
    /// Steps to the end; returns the rows changed.
    int run();

    QStringList columnNames() const;
    int columnCount() const;
    QVariant value(int column) const;
    std::vector<QVariant> row() const;

private:
    const Database& m_database;
    QString m_sql;
    sqlite3_stmt* m_stmt = nullptr;
};
