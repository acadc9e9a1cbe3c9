#include "JetFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QtEndian>
#include <cstring>
#include <stdexcept>
#include <vector>

// libmdb's header opens its extern "C" block before it includes GLib, whose C++ parts
// must therefore already have been seen.
#include <glib.h>
#include <mdbtools.h>

namespace {

struct Handle {
    MdbHandle* mdb = nullptr;
    MdbTableDef* table = nullptr;
    Handle(const QString& file, const QString& name, MdbFileFlags flags)
    {
        mdb = mdb_open(QFile::encodeName(file).constData(), flags);
        if (!mdb)
            throw std::runtime_error("libmdb cannot open " + file.toStdString());
        mdb_read_catalog(mdb, MDB_TABLE);
        QByteArray tableName = name.toUtf8();
        table = mdb_read_table_by_name(mdb, tableName.data(), MDB_TABLE);
        if (!table)
            throw std::runtime_error("no table " + name.toStdString() + " in " + file.toStdString());
        mdb_read_columns(table);
        mdb_read_indices(table);
    }
    ~Handle()
    {
        if (table)
            mdb_free_tabledef(table);
        if (mdb)
            mdb_close(mdb);
    }
};

} // namespace

QString JetFixture::folder()
{
    // A worktree away from the repository's usual place names the test data itself.
    const QString testData = qEnvironmentVariable("TAMSEL_TESTDATA");
    if (!testData.isEmpty())
        return QDir::cleanPath(testData + QStringLiteral("/jet"));
    return QDir::cleanPath(QStringLiteral(TAMSEL_SOURCE_DIR "/../shared/testdata/jet"));
}

QString JetFixture::folderError()
{
    if (QFileInfo(folder() + QStringLiteral("/jet4-types.mdb")).isFile())
        return {};
    return QStringLiteral("the Jet fixtures are missing: %1 does not exist or has no jet4-types.mdb").arg(folder());
}

void JetFixture::copy(const QString& name, const QString& target)
{
    QFile::remove(target);
    if (!QFile::copy(folder() + QLatin1Char('/') + name, target))
        throw std::runtime_error("cannot copy fixture " + name.toStdString());
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
}

JetFixture::Value JetFixture::int32(qint32 v)
{
    QByteArray raw(4, '\0');
    qToLittleEndian(v, raw.data());
    return { false, raw };
}

JetFixture::Value JetFixture::jet3Text(const QString& text)
{
    return { false, text.toLatin1() };
}

JetFixture::Value JetFixture::jet4Text(const QString& text)
{
    return { false, QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2) };
}

namespace {

// libmdb's fields for VALUES, which they point into.
std::vector<MdbField> fieldsOf(MdbTableDef* table, const QList<JetFixture::Value>& values)
{
    std::vector<MdbField> fields(size_t(values.size()));
    for (qsizetype i = 0; i < values.size(); ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, guint(i)));
        mdb_fill_temp_field(&fields[size_t(i)], const_cast<char*>(values[i].bytes.constData()), int(values[i].bytes.size()), col->is_fixed,
            values[i].isNull, 0, int(i));
    }
    return fields;
}

bool insertRow(MdbTableDef* table, const QList<JetFixture::Value>& values, QString* reason)
{
    if (values.size() != qsizetype(table->num_cols)) {
        if (reason)
            *reason = QStringLiteral("table %1 has %2 columns, %3 values given").arg(QString::fromUtf8(table->name)).arg(table->num_cols).arg(values.size());
        return false;
    }
    std::vector<MdbField> fields = fieldsOf(table, values);
    const bool ok = mdb_insert_row(table, int(fields.size()), fields.data()) != 0;
    if (!ok && reason)
        *reason = QStringLiteral("libmdb refused the row");
    return ok;
}

} // namespace

bool JetFixture::appendRow(const QString& file, const QString& table, const QList<Value>& values, QString* reason)
{
    Handle h(file, table, MDB_WRITABLE);
    return insertRow(h.table, values, reason);
}

int JetFixture::appendRows(const QString& file, const QString& table, int count, const std::function<QList<Value>(int)>& row)
{
    Handle h(file, table, MDB_WRITABLE);
    for (int n = 0; n < count; ++n) {
        if (!insertRow(h.table, row(n), nullptr))
            return n;
    }
    return count;
}

namespace {

// Where a table's definition keeps what appending pages by hand changes.
struct TableLayout {
    qint64 definition = 0;
    qint64 pageSize = 0;
    qint64 rowsOffset = 0;
    qint64 mapOffset = 0;
    qint64 rowCountOffset = 0;
};

TableLayout layoutOf(const MdbTableDef* table)
{
    const MdbFormatConstants* fmt = table->entry->mdb->fmt;
    return { qint64(table->entry->table_pg), fmt->pg_size, fmt->tab_num_rows_offset, fmt->tab_usage_map_offset, fmt->row_count_offset };
}

// Counts ADDED rows more in the table's definition and marks its usage map of an unknown
// kind, so that readers scan the file for the table's pages, the ones appended included.
void countAppendedRows(QFile& f, const TableLayout& layout, quint32 added)
{
    f.seek(layout.definition * layout.pageSize);
    QByteArray tdef = f.read(layout.pageSize);
    const quint32 rows = qFromLittleEndian<quint32>(tdef.constData() + layout.rowsOffset) + added;
    qToLittleEndian(rows, tdef.data() + layout.rowsOffset);
    f.seek(layout.definition * layout.pageSize);
    f.write(tdef);

    const quint32 map = qFromLittleEndian<quint32>(tdef.constData() + layout.mapOffset);
    const qint64 mapPage = map >> 8;
    const int mapRow = int(map & 0xFF);
    f.seek(mapPage * layout.pageSize);
    const QByteArray mapBytes = f.read(layout.pageSize);
    const int start = qFromLittleEndian<quint16>(mapBytes.constData() + layout.rowCountOffset + 2 + mapRow * 2) & 0x1FFF;
    f.seek(mapPage * layout.pageSize + start);
    f.write(QByteArray(1, '\x7F'));
}

QFile& openForWriting(QFile& f)
{
    if (!f.open(QIODevice::ReadWrite))
        throw std::runtime_error("cannot open " + f.fileName().toStdString());
    return f;
}

} // namespace

namespace {

// A row's values in TABLE's column order, from values by column name; the columns not named are Null.
QList<JetFixture::Value> valuesByName(const MdbTableDef* table, const QMap<QString, JetFixture::Value>& named)
{
    QList<JetFixture::Value> values;
    for (guint i = 0; i < table->num_cols; ++i) {
        const QString column = QString::fromUtf8(static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i))->name);
        values << named.value(column, JetFixture::null());
    }
    return values;
}

JetFixture::Value littleEndian(qint64 v, int size)
{
    QByteArray raw(8, '\0');
    qToLittleEndian(v, raw.data());
    return JetFixture::bytes(raw.left(size));
}

// Text as the file's version keeps it: UTF-16 in Jet 4, the code page's bytes in Jet 3.
JetFixture::Value textOf(bool jet3, const QString& text)
{
    return jet3 ? JetFixture::jet3Text(text) : JetFixture::jet4Text(text);
}

// A memo kept in its row: the length with the flag "in this row", 8 bytes unused, the text.
JetFixture::Value memo(bool jet3, const QString& text)
{
    const QByteArray encoded = textOf(jet3, text).bytes;
    QByteArray raw(12, '\0');
    qToLittleEndian(quint32(encoded.size()) | 0x80000000u, raw.data());
    return JetFixture::bytes(raw + encoded);
}

JetFixture::Value textOrNull(bool jet3, const QString& text)
{
    return text.isEmpty() ? JetFixture::null() : textOf(jet3, text);
}

bool isJet3(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + file.toStdString());
    const QByteArray head = f.read(0x15);
    return head.size() == 0x15 && head.at(0x14) == 0;
}

} // namespace

void JetFixture::addSavedQuery(const QString& file, const QString& name, qint32 id, const QList<QueryPart>& parts)
{
    const bool jet3 = isJet3(file);
    constexpr int queryObject = 5;
    const QMap<QString, Value> entry { { QStringLiteral("Id"), int32(id) }, { QStringLiteral("ParentId"), int32(0) },
        { QStringLiteral("Name"), textOf(jet3, name) }, { QStringLiteral("Type"), littleEndian(queryObject, 2) },
        { QStringLiteral("Flags"), int32(0) } };
    // The catalog's pages of a Jet 3 file (2 KB) are full: the entry then goes onto a new one.
    bool added = false;
    {
        Handle h(file, QStringLiteral("MSysObjects"), MDB_WRITABLE);
        added = insertRow(h.table, valuesByName(h.table, entry), nullptr);
    }
    if (!added) {
        QList<Value> values;
        {
            Handle h(file, QStringLiteral("MSysObjects"), MDB_NOFLAGS);
            values = valuesByName(h.table, entry);
        }
        appendRowsOnNewPage(file, QStringLiteral("MSysObjects"), { values });
    }
    // A file without saved queries has no data page for MSysQueries, and libmdb's writer
    // cannot allocate one: the rows go onto a new page of their own.
    QList<QList<Value>> rows;
    {
        Handle h(file, QStringLiteral("MSysQueries"), MDB_NOFLAGS);
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const QueryPart& part = parts[i];
            rows << valuesByName(h.table,
                { { QStringLiteral("ObjectId"), int32(id) }, { QStringLiteral("Attribute"), littleEndian(part.attribute, 1) },
                    { QStringLiteral("Order"), bytes(QByteArray(1, char(i))) }, { QStringLiteral("Name1"), textOrNull(jet3, part.name1) },
                    { QStringLiteral("Name2"), textOrNull(jet3, part.name2) },
                    { QStringLiteral("Expression"), part.expression.isEmpty() ? null() : memo(jet3, part.expression) },
                    { QStringLiteral("Flag"), littleEndian(part.flag, 2) } });
        }
    }
    appendRowsOnNewPage(file, QStringLiteral("MSysQueries"), rows);
}

void JetFixture::appendRowsOnNewPage(const QString& file, const QString& table, const QList<QList<Value>>& rows)
{
    // The rows are packed by libmdb onto a page of our own, written at the file's end.
    QByteArray page;
    TableLayout layout;
    {
        Handle h(file, table, MDB_NOFLAGS);
        layout = layoutOf(h.table);
        void* empty = mdb_new_data_pg(h.table->entry);
        std::memcpy(h.mdb->pg_buf, empty, size_t(layout.pageSize));
        g_free(empty);
        for (const QList<Value>& values : rows) {
            if (values.size() != qsizetype(h.table->num_cols))
                throw std::runtime_error(table.toStdString() + ": a row with the wrong number of values");
            std::vector<MdbField> fields = fieldsOf(h.table, values);
            std::vector<unsigned char> packed(size_t(layout.pageSize));
            const int size = mdb_pack_row(h.table, packed.data(), unsigned(fields.size()), fields.data());
            if (size <= 0)
                throw std::runtime_error("libmdb cannot pack a row of " + table.toStdString());
            mdb_add_row_to_pg(h.table, packed.data(), size);
        }
        page = QByteArray(reinterpret_cast<const char*>(h.mdb->pg_buf), layout.pageSize);
    }
    QFile f(file);
    openForWriting(f);
    f.seek(f.size());
    f.write(page);
    countAppendedRows(f, layout, quint32(rows.size()));
}

qint64 JetFixture::definitionPage(const QString& file, const QString& table)
{
    Handle h(file, table, MDB_NOFLAGS);
    return qint64(h.table->entry->table_pg);
}

QList<qint64> JetFixture::dataPages(const QString& file, const QString& table)
{
    Handle h(file, table, MDB_NOFLAGS);
    const qint64 pageSize = h.mdb->fmt->pg_size;
    QList<qint64> pages;
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    const QByteArray all = f.readAll();
    for (qint64 page = 1; page * pageSize < all.size(); ++page) {
        const auto* b = reinterpret_cast<const uchar*>(all.constData() + page * pageSize);
        if (b[0] == 0x01 && qFromLittleEndian<quint32>(b + 4) == h.table->entry->table_pg)
            pages << page;
    }
    return pages;
}


void JetFixture::growTable(const QString& file, const QString& table, qint64 size, const std::function<QList<Value>(int)>& row)
{
    appendRows(file, table, 100000, row); // until the table's one data page is full
    const QList<qint64> pages = dataPages(file, table);
    if (pages.isEmpty())
        throw std::runtime_error("table " + table.toStdString() + " has no data page to copy");
    TableLayout layout;
    {
        Handle h(file, table, MDB_NOFLAGS);
        layout = layoutOf(h.table);
    }
    QFile f(file);
    openForWriting(f);
    f.seek(pages.first() * layout.pageSize);
    const QByteArray page = f.read(layout.pageSize);
    const int rowsPerPage = qFromLittleEndian<quint16>(page.constData() + layout.rowCountOffset);
    const qint64 copies = qMax<qint64>(0, (size - f.size() + layout.pageSize - 1) / layout.pageSize);
    f.seek(f.size());
    for (qint64 i = 0; i < copies; ++i)
        f.write(page);
    countAppendedRows(f, layout, quint32(copies * rowsPerPage));
}

void JetFixture::setColumnType(const QString& file, const QString& table, int column, int type)
{
    qint64 offset = 0;
    {
        Handle h(file, table, MDB_NOFLAGS);
        const MdbFormatConstants* fmt = h.mdb->fmt;
        offset = qint64(h.table->entry->table_pg) * fmt->pg_size + fmt->tab_cols_start_offset
            + qint64(h.table->num_real_idxs) * fmt->tab_ridx_entry_size + qint64(column) * fmt->tab_col_entry_size;
    }
    patch(file, offset, QByteArray(1, char(type)));
}

void JetFixture::patch(const QString& file, qint64 offset, const QByteArray& bytes)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadWrite) || !f.seek(offset) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot patch " + file.toStdString());
}
