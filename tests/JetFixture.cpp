#include "JetFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
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

JetFixture::Value JetFixture::jet4Text(const QString& text)
{
    return { false, QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2) };
}

namespace {

bool insertRow(MdbTableDef* table, const QList<JetFixture::Value>& values, QString* reason)
{
    if (values.size() != qsizetype(table->num_cols)) {
        if (reason)
            *reason = QStringLiteral("table %1 has %2 columns, %3 values given").arg(QString::fromUtf8(table->name)).arg(table->num_cols).arg(values.size());
        return false;
    }
    std::vector<MdbField> fields(size_t(values.size()));
    QList<QByteArray> keep = {};
    for (qsizetype i = 0; i < values.size(); ++i) {
        keep << values[i].bytes;
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, guint(i)));
        mdb_fill_temp_field(&fields[size_t(i)], keep.last().data(), int(keep.last().size()), col->is_fixed, values[i].isNull, 0, int(i));
    }
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
    qint64 definition = 0, pageSize = 0, rowsOffset = 0, mapOffset = 0, rowCountOffset = 0;
    {
        Handle h(file, table, MDB_NOFLAGS);
        const MdbFormatConstants* fmt = h.mdb->fmt;
        definition = qint64(h.table->entry->table_pg);
        pageSize = fmt->pg_size;
        rowsOffset = fmt->tab_num_rows_offset;
        mapOffset = fmt->tab_usage_map_offset;
        rowCountOffset = fmt->row_count_offset;
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadWrite))
        throw std::runtime_error("cannot open " + file.toStdString());
    f.seek(pages.first() * pageSize);
    const QByteArray page = f.read(pageSize);
    const int rowsPerPage = qFromLittleEndian<quint16>(page.constData() + rowCountOffset);
    const qint64 copies = qMax<qint64>(0, (size - f.size() + pageSize - 1) / pageSize);
    f.seek(f.size());
    for (qint64 i = 0; i < copies; ++i)
        f.write(page);

    f.seek(definition * pageSize);
    QByteArray tdef = f.read(pageSize);
    const quint32 rows = qFromLittleEndian<quint32>(tdef.constData() + rowsOffset) + quint32(copies * rowsPerPage);
    qToLittleEndian(rows, tdef.data() + rowsOffset);
    f.seek(definition * pageSize);
    f.write(tdef);

    const quint32 map = qFromLittleEndian<quint32>(tdef.constData() + mapOffset);
    const qint64 mapPage = map >> 8;
    const int mapRow = int(map & 0xFF);
    f.seek(mapPage * pageSize);
    const QByteArray mapBytes = f.read(pageSize);
    const int start = qFromLittleEndian<quint16>(mapBytes.constData() + rowCountOffset + 2 + mapRow * 2) & 0x1FFF;
    f.seek(mapPage * pageSize + start);
    f.write(QByteArray(1, '\x7F'));
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
