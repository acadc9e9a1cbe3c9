#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

/// Real Jet files for tests: a copy of one of the fixtures in ../shared/testdata/jet/
/// (a folder that must exist: tests fail naming it when it does not), with rows added
/// through libmdb's own writer and bytes changed where a test needs damage.
class JetFixture {
public:
    /// The fixture folder; QFAIL-style callers check folderError() first.
    static QString folder();
    /// "" when the fixture folder is there, otherwise a message naming it.
    static QString folderError();

    /// Copies fixture NAME (e.g. "jet4-types.mdb") to TARGET, writable.
    static void copy(const QString& name, const QString& target);

    /// A value to write: Null, or the raw bytes the file keeps (text already encoded as
    /// the file's version encodes it).
    struct Value {
        bool isNull = false;
        QByteArray bytes;
    };
    static Value null() { return { true, {} }; }
    static Value bytes(const QByteArray& raw) { return { false, raw }; }
    static Value int32(qint32 v);
    static Value jet4Text(const QString& text); ///< UTF-16, uncompressed
    static Value jet3Text(const QString& text); ///< the Western code page's bytes (Latin-1 letters)

    /// Appends one row to TABLE of FILE; returns false (with a reason) when libmdb refuses.
    static bool appendRow(const QString& file, const QString& table, const QList<Value>& values, QString* reason = nullptr);
    /// Appends COUNT rows made by ROW(n) to TABLE, opening the file once; returns the
    /// number written before libmdb refused one.
    static int appendRows(const QString& file, const QString& table, int count, const std::function<QList<Value>(int)>& row);

    /// Appends ROWS to TABLE on a data page of their own at the end of FILE: libmdb's
    /// writer cannot allocate a page, so an empty table (which has none) gets rows so.
    static void appendRowsOnNewPage(const QString& file, const QString& table, const QList<QList<Value>>& rows);

    /// One row of a saved query in MSysQueries: which part (Attribute), and what it holds.
    struct QueryPart {
        int attribute = 0;
        QString expression;
        int flag = 0;
        QString name1;
        QString name2;
    };
    /// Adds the saved query NAME to the Jet 3 or Jet 4 FILE: its entry in the catalog (MSysObjects,
    /// object ID) and its PARTS, in order, as rows of MSysQueries. Throws when libmdb
    /// refuses a row.
    static void addSavedQuery(const QString& file, const QString& name, qint32 id, const QList<QueryPart>& parts);

    /// Grows FILE to at least SIZE bytes with copies of TABLE's first data page (after
    /// filling it through libmdb's writer, which cannot allocate pages), counting their rows
    /// in the table's definition. The table's usage map is marked of an unknown kind, so
    /// that readers scan the file for its pages: libmdb does, and the map could not hold
    /// thousands of new pages without being rebuilt. For benchmarks of reading large files.
    static void growTable(const QString& file, const QString& table, qint64 size, const std::function<QList<Value>(int)>& row);

    /// Overwrites the type byte of column COLUMN (0-based) of TABLE.
    static void setColumnType(const QString& file, const QString& table, int column, int type);
    /// Page numbers of TABLE's definition and of its data pages.
    static qint64 definitionPage(const QString& file, const QString& table);
    static QList<qint64> dataPages(const QString& file, const QString& table);
    /// Overwrites BYTES at OFFSET.
    static void patch(const QString& file, qint64 offset, const QByteArray& bytes);
};
