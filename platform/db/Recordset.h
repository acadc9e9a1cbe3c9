#pragma once

#include "Criterion.h"
#include "Database.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

class SqlStatement;

/// Rows of a table or query with a current record, as the course walks them: a
/// snapshot reads every row when it opens (record count known, 0-based absolute
/// positions); a dynaset on a table can also append and update rows. A non-empty
/// record set opens on its first row; an empty one is at both BOF and EOF.
class Recordset {
public:
    /// Reads every row of STATEMENT. TABLE names the table of a dynaset, "" otherwise.
    Recordset(Database& database, SqlStatement& statement, const QString& source, RecordsetType type,
        const QString& table = {});

    QString source() const { return m_source; }
    RecordsetType type() const { return m_type; }
    QStringList fieldNames() const { return m_fields; }
    int recordCount() const { return int(m_rows.size()); }

    bool isBof() const { return m_position < 0 || m_rows.empty(); }
    bool isEof() const { return m_position >= recordCount() || m_rows.empty(); }

    void moveFirst();
    void moveLast();
    /// Moves one row on; at the end it stays at EOF.
    void moveNext();
    /// Moves one row back; at the start it stays at BOF.
    void movePrevious();

    /// 0-based position of the current row, -1 at BOF or EOF.
    int absolutePosition() const { return isBof() || isEof() ? -1 : m_position; }
    /// Makes row POSITION current; throws CourseError when there is no such row.
    void setAbsolutePosition(int position);

    /// Value of FIELD (case-insensitive) in the current row; Null is an invalid QVariant,
    /// distinct from empty text. Throws CourseError for an unknown field or no current row.
    QVariant value(const QString& field) const;
    /// The same value as text, Null giving "".
    QString text(const QString& field) const;
    /// The same value as a whole number, Null giving 0.
    qlonglong number(const QString& field) const;
    bool hasField(const QString& field) const;

    /// Makes the first row that satisfies CRITERION current; returns false (and leaves the
    /// current row as it was) when none does. Throws CourseError for a malformed criterion.
    bool findFirst(const QString& criterion);
    /// As findFirst, searching from the row after the current one.
    bool findNext(const QString& criterion);
    /// As findFirst, searching backwards from the last row.
    bool findLast(const QString& criterion);
    /// As findNext, searching backwards from the row before the current one.
    bool findPrevious(const QString& criterion);
    bool noMatch() const { return m_noMatch; }

    /// Seeks on index INDEX of the underlying table: the first row, in index order, whose
    /// key columns equal KEYS. Returns false (noMatch) when none does.
    bool seek(const QString& index, const QVariantList& keys);

    // Dynaset editing, on a table opened as a dynaset of a writable database. Any move,
    // find or seek abandons the row being added or edited, as cancelUpdate() does.
    /// Starts a new row, every field Null.
    void addNew();
    /// Starts editing the current row.
    void edit();
    /// Sets FIELD of the row being added or edited.
    void setValue(const QString& field, const QVariant& value);
    /// Writes the row being added or edited; a new row is appended to the record set.
    void update();
    /// Abandons the row being added or edited.
    void cancelUpdate();

private:
    enum class EditMode { None, Adding, Editing };

    void moveTo(int position);
    int fieldIndex(const QString& field) const; // -1 when unknown
    int requireField(const QString& field) const;
    const Criterion& criterion(const QString& text);
    bool findFrom(const QString& text, int start, int step);
    void requireDynaset(const char* operation) const;

    Database& m_database;
    QString m_source;
    QString m_table;
    RecordsetType m_type = RecordsetType::Snapshot;
    QStringList m_fields;
    QHash<QString, int> m_fieldIndex; // lower-case name → column
    std::vector<std::vector<QVariant>> m_rows;
    std::vector<qlonglong> m_rowIds; // dynaset only
    int m_position = 0;
    bool m_noMatch = false;
    std::optional<Criterion> m_lastCriterion;
    EditMode m_editMode = EditMode::None;
    std::vector<QVariant> m_editBuffer;
    std::vector<bool> m_edited;
};
