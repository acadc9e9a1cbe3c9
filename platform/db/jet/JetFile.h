#pragma once

#include "JetHeader.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <map>
#include <memory>

class JetText;

/// A column of a Jet table, its type as the file names it (libmdb's MDB_* codes).
struct JetColumn {
    QString name;
    int type = 0;
    int size = 0;
};

/// An index of a Jet table: its name and key columns in key order.
struct JetIndex {
    QString name;
    QStringList columns;
    bool unique = false;
};

/// One row of the system table MSysQueries: a part of a saved query (its attribute
/// says which part; the other columns mean what that part needs).
struct JetQueryRow {
    int attribute = 0;
    QString expression;
    int flag = 0;
    QString name1;
    QString name2;
};

/// A Jet 3 or Jet 4 database file read through libmdb, read-only. The header is checked
/// before libmdb sees the file; every failure is a CourseError naming the file and,
/// where there is one, the table. Values come as the stand-in keeps them: Null as an
/// invalid QVariant, text decoded by the file's code page, Boolean as -1 / 0, currency and
/// decimals as floating point, dates as "yyyy-MM-dd HH:mm:ss" text, binary as bytes.
class JetFile {
public:
    explicit JetFile(const QString& file);
    ~JetFile();
    JetFile(const JetFile&) = delete;
    JetFile& operator=(const JetFile&) = delete;

    QString fileName() const { return m_fileName; }
    const JetHeader& header() const { return m_header; }

    /// The user tables, in catalog order.
    QStringList tables() const;
    /// TABLE's columns; throws for a column type this reader does not know.
    QList<JetColumn> columns(const QString& table) const;
    QList<JetIndex> indexes(const QString& table) const;
    /// The number of rows TABLE's definition declares.
    qint64 declaredRowCount(const QString& table) const;

    /// Hands every row of TABLE, values in column order, to ROW; returns the rows read.
    /// Throws when fewer rows can be read than the table declares (damaged pages).
    qint64 readRows(const QString& table, const std::function<void(const QVariantList&)>& row) const;

    /// The saved queries' rows from MSysQueries, by query name, each query's rows in
    /// their stored order. Queries the program keeps for itself ("~…") are left out.
    std::map<QString, QList<JetQueryRow>> savedQueries() const;

private:
    struct Table;
    std::unique_ptr<Table> openTable(const QString& table) const;
    QVariant value(Table& table, int column, const void* field) const;
    QByteArray longValue(const Table& table, const QString& column, const uchar* bytes, int size) const;
    [[noreturn]] void fail(const QString& table, const QString& what) const;

    QString m_fileName;
    JetHeader m_header;
    void* m_handle = nullptr; // libmdb's MdbHandle, an unnamed struct that cannot be declared here
    std::unique_ptr<JetText> m_text;
};
