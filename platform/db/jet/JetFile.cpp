#include "JetFile.h"

#include "CourseError.h"
#include "JetText.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>

// libmdb's header opens its extern "C" block before it includes GLib, whose C++ parts
// must therefore already have been seen.
#include <glib.h>
#include <mdbtools.h>

extern "C" {
// Exported by libmdb 1.0 but missing from its header: splits the row at ROW_START in the
// page buffer into its fields, with each field's Null bit.
int mdb_crack_row(MdbTableDef* table, int row_start, size_t row_size, MdbField* fields);
}

namespace {

constexpr int offsetMask = 0x1FFF;
constexpr int longValueHeader = 12;

bool isKnownType(int type)
{
    switch (type) {
    case MDB_BOOL: case MDB_BYTE: case MDB_INT: case MDB_LONGINT: case MDB_MONEY: case MDB_FLOAT:
    case MDB_DOUBLE: case MDB_DATETIME: case MDB_BINARY: case MDB_TEXT: case MDB_OLE: case MDB_MEMO:
    case MDB_REPID: case MDB_NUMERIC: case MDB_COMPLEX:
        return true;
    default:
        return false;
    }
}

// Fixed-size values need this many bytes in the row; a shorter field is damage.
int fixedSize(int type)
{
    switch (type) {
    case MDB_BYTE: return 1;
    case MDB_INT: return 2;
    case MDB_LONGINT: case MDB_FLOAT: case MDB_COMPLEX: return 4;
    case MDB_MONEY: case MDB_DOUBLE: case MDB_DATETIME: return 8;
    case MDB_REPID: return 16;
    case MDB_NUMERIC: return 17;
    default: return 0;
    }
}

// A Jet date is days since 30 December 1899; the fraction is the time of day, also for
// days before that date.
QString jetDate(double value)
{
    if (!std::isfinite(value) || std::abs(value) > 3e6)
        return {};
    const double days = std::trunc(value);
    const qint64 seconds = qint64(std::llround(std::abs(value - days) * 86400.0));
    const QDateTime moment(QDate(1899, 12, 30).addDays(qint64(days)), QTime(0, 0), Qt::UTC);
    return moment.addSecs(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString guidText(const uchar* b)
{
    return QStringLiteral("{%1-%2-%3-%4-%5}")
        .arg(qFromLittleEndian<quint32>(b), 8, 16, QLatin1Char('0'))
        .arg(qFromLittleEndian<quint16>(b + 4), 4, 16, QLatin1Char('0'))
        .arg(qFromLittleEndian<quint16>(b + 6), 4, 16, QLatin1Char('0'))
        .arg(QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(b + 8), 2).toHex()))
        .arg(QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(b + 10), 6).toHex()))
        .toUpper();
}

MdbHandle* mdbOf(void* handle)
{
    return static_cast<MdbHandle*>(handle);
}

// The catalog entries of the file, in catalog order.
QList<MdbCatalogEntry*> catalogOf(void* handle)
{
    QList<MdbCatalogEntry*> entries;
    MdbHandle* mdb = mdbOf(handle);
    for (guint i = 0; mdb->catalog && i < mdb->catalog->len; ++i)
        entries << static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    return entries;
}

bool isTableNamed(const MdbCatalogEntry* entry, const QString& name)
{
    return entry->object_type == MDB_TABLE && QString::fromUtf8(entry->object_name).compare(name, Qt::CaseInsensitive) == 0;
}

} // namespace

struct JetFile::Table {
    MdbTableDef* def = nullptr;
    QString name;
    std::vector<MdbField> fields;
    ~Table()
    {
        if (def)
            mdb_free_tabledef(def);
    }
};

JetFile::JetFile(const QString& file)
    : m_fileName(file)
    , m_header(JetHeader::read(file))
{
    m_handle = mdb_open(QFile::encodeName(file).constData(), MDB_NOFLAGS);
    if (!m_handle)
        throw CourseError(QStringLiteral("%1: the Jet reader cannot open this %2 file").arg(file, m_header.versionName()));
    try {
        m_text = std::make_unique<JetText>(m_header.version() == JetHeader::Version::Jet3 ? m_header.codePage() : 0);
        if (!m_text->isValid())
            fail({}, QStringLiteral("its text is in code page %1, which this system cannot decode").arg(m_header.codePage()));
        if (!mdb_read_catalog(mdbOf(m_handle), MDB_ANY))
            fail({}, QStringLiteral("its catalog of tables cannot be read (damaged pages)"));
    } catch (...) {
        // No destructor runs for an object whose constructor throws.
        mdb_close(mdbOf(m_handle));
        throw;
    }
}

JetFile::~JetFile()
{
    if (m_handle)
        mdb_close(mdbOf(m_handle));
}

void JetFile::fail(const QString& table, const QString& what) const
{
    if (table.isEmpty())
        throw CourseError(QStringLiteral("%1: %2").arg(m_fileName, what));
    throw CourseError(QStringLiteral("%1, table %2: %3").arg(m_fileName, table, what));
}

QStringList JetFile::tables() const
{
    QStringList names;
    const QList<MdbCatalogEntry*> entries = catalogOf(m_handle);
    for (MdbCatalogEntry* entry : entries) {
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            names << QString::fromUtf8(entry->object_name);
    }
    return names;
}

std::unique_ptr<JetFile::Table> JetFile::openTable(const QString& table) const
{
    MdbCatalogEntry* entry = nullptr;
    const QList<MdbCatalogEntry*> entries = catalogOf(m_handle);
    for (MdbCatalogEntry* candidate : entries) {
        if (!entry && isTableNamed(candidate, table))
            entry = candidate;
    }
    if (!entry)
        fail(table, QStringLiteral("no such table"));
    if (entry->table_pg == 0 || qint64(entry->table_pg) >= m_header.pageCount())
        fail(table, QStringLiteral("its definition lies outside the file (page %1 of %2)").arg(entry->table_pg).arg(m_header.pageCount()));
    auto result = std::make_unique<Table>();
    result->name = table;
    result->def = mdb_read_table(entry);
    if (!result->def)
        fail(table, QStringLiteral("its definition cannot be read (damaged pages)"));
    if (!mdb_read_columns(result->def) || result->def->columns->len != result->def->num_cols)
        fail(table, QStringLiteral("its columns cannot be read (damaged pages)"));
    for (guint i = 0; i < result->def->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(result->def->columns, i));
        if (!isKnownType(col->col_type))
            fail(table, QStringLiteral("column %1 has a type this reader does not know (0x%2)")
                            .arg(QString::fromUtf8(col->name))
                            .arg(col->col_type, 2, 16, QLatin1Char('0')));
    }
    result->fields.resize(std::max<size_t>(1, result->def->num_cols));
    return result;
}

QList<JetColumn> JetFile::columns(const QString& table) const
{
    const auto t = openTable(table);
    QList<JetColumn> list;
    for (guint i = 0; i < t->def->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t->def->columns, i));
        list << JetColumn { QString::fromUtf8(col->name), col->col_type, col->col_size };
    }
    return list;
}

QList<JetIndex> JetFile::indexes(const QString& table) const
{
    const auto t = openTable(table);
    QList<JetIndex> list;
    // libmdb 1.0 hands back nothing here; the indexes are in the table definition.
    mdb_read_indices(t->def);
    if (!t->def->indices)
        return list;
    for (guint i = 0; i < t->def->indices->len; ++i) {
        auto* idx = static_cast<MdbIndex*>(g_ptr_array_index(t->def->indices, i));
        JetIndex index { QString::fromUtf8(idx->name), {}, (idx->flags & 0x01) != 0 };
        for (unsigned k = 0; k < idx->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
            const int column = idx->key_col_num[k] - 1;
            if (column < 0 || guint(column) >= t->def->num_cols)
                fail(table, QStringLiteral("index %1 names a column that does not exist").arg(index.name));
            index.columns << QString::fromUtf8(static_cast<MdbColumn*>(g_ptr_array_index(t->def->columns, guint(column)))->name);
        }
        // Indexes that only serve relationships carry no name of the course's own.
        if (!index.columns.isEmpty() && idx->index_type != 2)
            list << index;
    }
    return list;
}

qint64 JetFile::declaredRowCount(const QString& table) const
{
    return openTable(table)->def->num_rows;
}

QByteArray JetFile::longValue(const Table& table, const QString& column, const uchar* bytes, int size) const
{
    if (size < longValueHeader)
        fail(table.name, QStringLiteral("column %1 holds a damaged long value").arg(column));
    const quint32 head = qFromLittleEndian<quint32>(bytes);
    const qint64 length = head & 0x3FFFFFFF;
    if (head & 0x80000000)
        return QByteArray(reinterpret_cast<const char*>(bytes + longValueHeader), size - longValueHeader);
    qint32 pageRow = qFromLittleEndian<qint32>(bytes + 4);
    QByteArray value;
    const bool singlePage = head & 0x40000000;
    // A chain never has more links than the file has pages: a loop in it is damage.
    for (qint64 links = 0; links <= m_header.pageCount(); ++links) {
        void* buffer = nullptr;
        int start = 0;
        size_t rowSize = 0;
        if (quint32(pageRow) >> 8 >= quint64(m_header.pageCount())
            || mdb_find_pg_row(mdbOf(m_handle), pageRow, &buffer, &start, &rowSize) != 0)
            fail(table.name, QStringLiteral("column %1 points to a long value on a page that cannot be read").arg(column));
        const auto* row = static_cast<const uchar*>(buffer) + start;
        if (singlePage) {
            value.append(reinterpret_cast<const char*>(row), qsizetype(rowSize));
            return value.left(length);
        }
        if (rowSize < 4)
            fail(table.name, QStringLiteral("column %1 holds a damaged long value").arg(column));
        value.append(reinterpret_cast<const char*>(row + 4), qsizetype(rowSize - 4));
        pageRow = qFromLittleEndian<qint32>(row);
        if (value.size() >= length || quint32(pageRow) >> 8 == 0)
            return value.left(length);
    }
    fail(table.name, QStringLiteral("column %1 holds a long value whose pages run in a loop").arg(column));
}

QVariant JetFile::value(Table& table, int column, const void* fieldPointer) const
{
    const auto& field = *static_cast<const MdbField*>(fieldPointer);
    auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table.def->columns, guint(column)));
    // Jet keeps a Boolean in the Null bit: set means true.
    if (col->col_type == MDB_BOOL)
        return field.is_null ? 0 : -1;
    if (field.is_null)
        return {};
    const int pageSize = m_header.pageSize();
    if (field.siz < 0 || field.start < 0 || field.start + field.siz > pageSize)
        fail(table.name, QStringLiteral("a value of column %1 lies outside its page").arg(QString::fromUtf8(col->name)));
    if (field.siz < fixedSize(col->col_type))
        fail(table.name, QStringLiteral("a value of column %1 is cut short").arg(QString::fromUtf8(col->name)));
    const auto* b = mdbOf(m_handle)->pg_buf + field.start;
    switch (col->col_type) {
    case MDB_BYTE: return int(b[0]);
    case MDB_INT: return int(qFromLittleEndian<qint16>(b));
    case MDB_LONGINT: case MDB_COMPLEX: return int(qFromLittleEndian<qint32>(b));
    case MDB_MONEY: return double(qFromLittleEndian<qint64>(b)) / 10000.0;
    case MDB_FLOAT: return double(qFromLittleEndian<float>(b));
    case MDB_DOUBLE: return qFromLittleEndian<double>(b);
    case MDB_DATETIME: return jetDate(qFromLittleEndian<double>(b));
    case MDB_REPID: return guidText(b);
    case MDB_NUMERIC: {
        char* text = mdb_numeric_to_string(mdbOf(m_handle), field.start, col->col_scale, col->col_prec);
        const double number = QByteArray(text).toDouble();
        g_free(text);
        return number;
    }
    case MDB_TEXT: return m_text->decode(reinterpret_cast<const char*>(b), field.siz);
    case MDB_BINARY: return QByteArray(reinterpret_cast<const char*>(b), field.siz);
    case MDB_MEMO: return m_text->decode(longValue(table, QString::fromUtf8(col->name), b, field.siz));
    case MDB_OLE: return longValue(table, QString::fromUtf8(col->name), b, field.siz);
    default: return {};
    }
}

qint64 JetFile::readRows(const QString& table, const std::function<void(const QVariantList&)>& row) const
{
    const auto t = openTable(table);
    MdbTableDef* def = t->def;
    if (def->num_cols == 0)
        return 0;
    mdb_rewind_table(def);
    qint64 count = 0;
    QVariantList values;
    while (mdb_fetch_row(def)) {
        // The row just fetched is still in the page buffer; read it again with its Null bits,
        // which libmdb's own binding loses (an empty text and a Null look alike there).
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdbOf(m_handle), int(def->cur_row) - 1, &start, &size) != 0)
            fail(table, QStringLiteral("row %1 cannot be found on its page").arg(count + 1));
        const int fields = mdb_crack_row(def, start & offsetMask, size, t->fields.data());
        if (fields < int(def->num_cols))
            fail(table, QStringLiteral("row %1 is damaged").arg(count + 1));
        values.resize(def->num_cols);
        for (int i = 0; i < fields; ++i) {
            const int column = t->fields[size_t(i)].colnum;
            if (column < 0 || guint(column) >= def->num_cols)
                fail(table, QStringLiteral("row %1 is damaged").arg(count + 1));
            values[column] = value(*t, column, &t->fields[size_t(i)]);
        }
        row(values);
        ++count;
    }
    if (count < qint64(def->num_rows))
        fail(table, QStringLiteral("only %1 of its %2 rows can be read (damaged pages)").arg(count).arg(def->num_rows));
    return count;
}

std::map<QString, QList<JetQueryRow>> JetFile::savedQueries() const
{
    std::map<QString, QList<JetQueryRow>> queries;
    std::map<qint64, QString> names;
    const QString table = QStringLiteral("MSysQueries");
    bool hasQueryTable = false;
    const QList<MdbCatalogEntry*> entries = catalogOf(m_handle);
    for (MdbCatalogEntry* entry : entries) {
        const QString name = QString::fromUtf8(entry->object_name);
        if (entry->object_type == MDB_QUERY && !name.startsWith(QLatin1Char('~')))
            names[qint64(entry->table_pg)] = name;
        hasQueryTable = hasQueryTable || isTableNamed(entry, table);
    }
    // A file without the table of query rows has no saved query that could be rebuilt;
    // the course's own then stand in.
    if (names.empty() || !hasQueryTable)
        return queries;
    const QList<JetColumn> cols = columns(table);
    const auto index = [&](const char* name) {
        for (qsizetype i = 0; i < cols.size(); ++i) {
            if (cols[i].name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return int(i);
        }
        fail(table, QStringLiteral("no column %1").arg(QLatin1String(name)));
    };
    const int attribute = index("Attribute"), expression = index("Expression"), flag = index("Flag"),
              name1 = index("Name1"), name2 = index("Name2"), objectId = index("ObjectId"), order = index("Order");
    std::map<QString, QList<std::pair<QByteArray, JetQueryRow>>> ordered;
    readRows(table, [&](const QVariantList& r) {
        const auto name = names.find(r[objectId].toLongLong() & 0x00FFFFFF);
        if (name == names.end())
            return;
        JetQueryRow row { r[attribute].toInt(), r[expression].toString(), r[flag].toInt(), r[name1].toString(), r[name2].toString() };
        ordered[name->second] << std::pair { r[order].toByteArray(), row };
    });
    for (auto& [name, rows] : ordered) {
        std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        QList<JetQueryRow>& list = queries[name];
        for (const auto& row : rows)
            list << row.second;
    }
    return queries;
}
