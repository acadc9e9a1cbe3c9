#include "Recordset.h"

#include "CourseError.h"
#include "SqlStatement.h"

#include <algorithm>

namespace {

// A dynaset reads the row id first so that it can write rows back; the caller does not see it.
const QString rowIdColumn = QStringLiteral("tamsel_rowid");

QString quoted(const QString& identifier)
{
    QString copy = identifier;
    return QLatin1Char('"') + copy.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

} // namespace

Recordset::Recordset(Database& database, SqlStatement& statement, const QString& source, RecordsetType type,
    const QString& table)
    : m_database(database)
    , m_source(source)
    , m_table(table)
    , m_type(type)
{
    QStringList columns = statement.columnNames();
    const bool withRowId = !columns.isEmpty() && columns.first() == rowIdColumn;
    if (withRowId)
        columns.removeFirst();
    m_fields = columns;
    for (int i = 0; i < m_fields.size(); ++i)
        m_fieldIndex.insert(m_fields.at(i).toLower(), i);
    while (statement.step()) {
        std::vector<QVariant> row = statement.row();
        if (withRowId) {
            m_rowIds.push_back(row.front().toLongLong());
            row.erase(row.begin());
        }
        m_rows.push_back(std::move(row));
    }
}

void Recordset::moveTo(int position)
{
    // A row being added or edited belongs to the row it was started on: once the
    // record set has moved, update() would write it over another row (or past the last).
    cancelUpdate();
    m_position = position;
}

void Recordset::moveFirst()
{
    moveTo(0);
}

void Recordset::moveLast()
{
    moveTo(recordCount() - 1);
}

void Recordset::moveNext()
{
    moveTo(std::min(m_position + 1, recordCount()));
}

void Recordset::movePrevious()
{
    moveTo(std::max(m_position - 1, -1));
}

void Recordset::setAbsolutePosition(int position)
{
    if (position < 0 || position >= recordCount())
        throw CourseError(QStringLiteral("%1: no row %2 in %3 (it has %4)")
                              .arg(m_database.fileName())
                              .arg(position)
                              .arg(m_source)
                              .arg(recordCount()));
    moveTo(position);
}

int Recordset::fieldIndex(const QString& field) const
{
    return m_fieldIndex.value(field.toLower(), -1);
}

int Recordset::requireField(const QString& field) const
{
    const int index = fieldIndex(field);
    if (index < 0)
        throw CourseError(QStringLiteral("%1: no field '%2' in %3").arg(m_database.fileName(), field, m_source));
    return index;
}

bool Recordset::hasField(const QString& field) const
{
    return fieldIndex(field) >= 0;
}

QVariant Recordset::value(const QString& field) const
{
    const int index = requireField(field);
    if (isBof() || isEof())
        throw CourseError(QStringLiteral("%1: no current row in %2 (reading '%3')").arg(m_database.fileName(), m_source, field));
    return m_rows[size_t(m_position)][size_t(index)];
}

QString Recordset::text(const QString& field) const
{
    const QVariant v = value(field);
    return v.isNull() ? QString() : v.toString();
}

qlonglong Recordset::number(const QString& field) const
{
    const QVariant v = value(field);
    return v.isNull() ? 0 : qRound64(v.toDouble());
}

const Criterion& Recordset::criterion(const QString& text)
{
    // Screens search the same criterion again and again (find-first then find-next).
    if (!m_lastCriterion || m_lastCriterion->text() != text)
        m_lastCriterion.emplace(text, m_fields);
    return *m_lastCriterion;
}

bool Recordset::findFrom(const QString& text, int start, int step)
{
    const Criterion& c = criterion(text);
    // A search is a move even when it finds nothing.
    cancelUpdate();
    for (int i = start; i >= 0 && i < recordCount(); i += step) {
        if (c.matches(m_rows[size_t(i)])) {
            m_position = i;
            m_noMatch = false;
            return true;
        }
    }
    m_noMatch = true;
    return false;
}

bool Recordset::findFirst(const QString& criterion)
{
    return findFrom(criterion, 0, 1);
}

bool Recordset::findNext(const QString& criterion)
{
    return findFrom(criterion, std::max(m_position + 1, 0), 1);
}

bool Recordset::findLast(const QString& criterion)
{
    return findFrom(criterion, recordCount() - 1, -1);
}

bool Recordset::findPrevious(const QString& criterion)
{
    return findFrom(criterion, std::min(m_position, recordCount()) - 1, -1);
}

bool Recordset::seek(const QString& index, const QVariantList& keys)
{
    const QStringList columns = m_database.indexColumns(index);
    if (keys.size() > columns.size())
        throw CourseError(QStringLiteral("%1: index %2 has %3 key columns, %4 values given")
                              .arg(m_database.fileName(), index)
                              .arg(columns.size())
                              .arg(keys.size()));
    std::vector<int> keyFields;
    for (qsizetype i = 0; i < keys.size(); ++i)
        keyFields.push_back(requireField(columns.at(i)));
    cancelUpdate();
    int best = -1;
    for (int row = 0; row < recordCount(); ++row) {
        bool equal = true;
        for (size_t k = 0; k < keyFields.size() && equal; ++k) {
            const QVariant& v = m_rows[size_t(row)][size_t(keyFields[k])];
            equal = !v.isNull() && !keys.at(qsizetype(k)).isNull() && Criterion::compare(v, keys.at(qsizetype(k))) == 0;
        }
        if (!equal)
            continue;
        // Index order: the remaining key columns, then table order.
        if (best < 0) {
            best = row;
            continue;
        }
        for (qsizetype c = keys.size(); c < columns.size(); ++c) {
            const int f = requireField(columns.at(c));
            const int order = Criterion::compare(m_rows[size_t(row)][size_t(f)], m_rows[size_t(best)][size_t(f)]);
            if (order < 0)
                best = row;
            if (order != 0)
                break;
        }
    }
    m_noMatch = best < 0;
    if (best >= 0)
        m_position = best;
    return best >= 0;
}

void Recordset::requireDynaset(const char* operation) const
{
    if (m_type != RecordsetType::Dynaset || m_table.isEmpty())
        throw CourseError(QStringLiteral("%1: %2 needs a dynaset on a table, %3 is a snapshot")
                              .arg(m_database.fileName(), QString::fromLatin1(operation), m_source));
}

void Recordset::addNew()
{
    requireDynaset("adding a row");
    m_editMode = EditMode::Adding;
    m_editBuffer.assign(size_t(m_fields.size()), QVariant());
    m_edited.assign(size_t(m_fields.size()), false);
}

void Recordset::edit()
{
    requireDynaset("editing a row");
    if (isBof() || isEof())
        throw CourseError(QStringLiteral("%1: no current row to edit in %2").arg(m_database.fileName(), m_source));
    m_editMode = EditMode::Editing;
    m_editBuffer = m_rows[size_t(m_position)];
    m_edited.assign(size_t(m_fields.size()), false);
}

void Recordset::setValue(const QString& field, const QVariant& value)
{
    if (m_editMode == EditMode::None)
        throw CourseError(QStringLiteral("%1: setting '%2' of %3 outside addNew or edit").arg(m_database.fileName(), field, m_source));
    const int index = requireField(field);
    m_editBuffer[size_t(index)] = value;
    m_edited[size_t(index)] = true;
}

void Recordset::update()
{
    if (m_editMode == EditMode::None)
        throw CourseError(QStringLiteral("%1: update of %2 without addNew or edit").arg(m_database.fileName(), m_source));
    QStringList columns;
    std::vector<QVariant> values;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_edited[size_t(i)]) {
            columns << quoted(m_fields.at(i));
            values.push_back(m_editBuffer[size_t(i)]);
        }
    }
    if (m_editMode == EditMode::Adding) {
        QString sql = columns.isEmpty()
            ? QStringLiteral("insert into %1 default values").arg(quoted(m_table))
            : QStringLiteral("insert into %1 (%2) values (%3)")
                  .arg(quoted(m_table), columns.join(QLatin1String(", ")),
                      QStringList(columns.size(), QStringLiteral("?")).join(QLatin1String(", ")));
        sql += QLatin1String(" returning rowid, *");
        SqlStatement insert(m_database, sql);
        for (size_t i = 0; i < values.size(); ++i)
            insert.bind(int(i) + 1, values[i]);
        if (!insert.step())
            throw CourseError(QStringLiteral("%1: appending a row to %2 failed").arg(m_database.fileName(), m_table));
        // Read the stored row back so that defaults filled by the table show.
        std::vector<QVariant> stored = insert.row();
        insert.run();
        m_rowIds.push_back(stored.front().toLongLong());
        stored.erase(stored.begin());
        m_rows.push_back(std::move(stored));
    } else if (!columns.isEmpty()) {
        QStringList assignments;
        for (const QString& column : columns)
            assignments << column + QLatin1String(" = ?");
        SqlStatement change(m_database,
            QStringLiteral("update %1 set %2 where rowid = ?").arg(quoted(m_table), assignments.join(QLatin1String(", "))));
        for (size_t i = 0; i < values.size(); ++i)
            change.bind(int(i) + 1, values[i]);
        change.bind(int(values.size()) + 1, m_rowIds[size_t(m_position)]);
        change.run();
        m_rows[size_t(m_position)] = m_editBuffer;
    }
    cancelUpdate();
}

void Recordset::cancelUpdate()
{
    m_editMode = EditMode::None;
    m_editBuffer.clear();
    m_edited.clear();
}
