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

bool JetFixture::appendRow(const QString& file, const QString& table, const QList<Value>& values, QString* reason)
{
    Handle h(file, table, MDB_WRITABLE);
    if (values.size() != qsizetype(h.table->num_cols)) {
        if (reason)
            *reason = QStringLiteral("table %1 has %2 columns, %3 values given").arg(table).arg(h.table->num_cols).arg(values.size());
        return false;
    }
    std::vector<MdbField> fields(values.size());
    QList<QByteArray> keep = {};
    for (qsizetype i = 0; i < values.size(); ++i) {
        keep << values[i].bytes;
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(h.table->columns, guint(i)));
        mdb_fill_temp_field(&fields[size_t(i)], keep.last().data(), int(keep.last().size()), col->is_fixed, values[i].isNull, 0, int(i));
    }
    const bool ok = mdb_insert_row(h.table, int(fields.size()), fields.data()) != 0;
    if (!ok && reason)
        *reason = QStringLiteral("libmdb refused the row");
    return ok;
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
