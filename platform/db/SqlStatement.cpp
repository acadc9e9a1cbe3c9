#include "SqlStatement.h"

#include "CourseError.h"
#include "Database.h"

#include <cstring>
#include <sqlite3.h>

namespace {

// What follows the first statement may only be blanks and comments: a second statement
// would be silently dropped here, while sqlite3_exec elsewhere would run it.
const char* restAfterSpaceAndComments(const char* text)
{
    for (;;) {
        while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\f' || *text == '\v')
            ++text;
        if (text[0] == '-' && text[1] == '-') {
            while (*text && *text != '\n')
                ++text;
        } else if (text[0] == '/' && text[1] == '*') {
            const char* end = std::strstr(text + 2, "*/");
            if (!end)
                return text + std::strlen(text); // an unclosed comment runs to the end
            text = end + 2;
        } else {
            return text;
        }
    }
}

} // namespace

SqlStatement::SqlStatement(const Database& database, const QString& sql)
    : m_database(database)
    , m_sql(sql)
{
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(database.handle(), utf8.constData(), int(utf8.size()), &m_stmt, &tail);
    database.check(rc, QStringLiteral("\"%1\"").arg(sql));
    if (!m_stmt)
        throw CourseError(QStringLiteral("%1: \"%2\" holds no statement").arg(database.fileName(), sql));
    const char* rest = restAfterSpaceAndComments(tail);
    if (*rest) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw CourseError(QStringLiteral("%1: \"%2\" holds more than one statement; \"%3\" after the first is refused")
                              .arg(database.fileName(), sql, QString::fromUtf8(rest).left(200)));
    }
}

SqlStatement::~SqlStatement()
{
    sqlite3_finalize(m_stmt);
}

QStringList SqlStatement::parameterNames() const
{
    QStringList names;
    const int count = sqlite3_bind_parameter_count(m_stmt);
    for (int i = 1; i <= count; ++i) {
        const char* name = sqlite3_bind_parameter_name(m_stmt, i);
        if (name && (name[0] == ':' || name[0] == '@' || name[0] == '$'))
            names << QString::fromUtf8(name + 1);
    }
    return names;
}

void SqlStatement::bind(const QString& parameterWithColon, const QVariant& value)
{
    const int position = sqlite3_bind_parameter_index(m_stmt, parameterWithColon.toUtf8().constData());
    if (position == 0)
        throw CourseError(QStringLiteral("%1: no parameter %2 in \"%3\"").arg(m_database.fileName(), parameterWithColon, m_sql));
    bind(position, value);
}

void SqlStatement::bind(int position, const QVariant& value)
{
    int rc = SQLITE_OK;
    if (value.isNull()) {
        rc = sqlite3_bind_null(m_stmt, position);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            // Stored as the course's files stored them: true is -1.
            rc = sqlite3_bind_int64(m_stmt, position, value.toBool() ? -1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
            rc = sqlite3_bind_int64(m_stmt, position, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_stmt, position, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob64(m_stmt, position, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray text = value.toString().toUtf8();
            rc = sqlite3_bind_text64(m_stmt, position, text.constData(), sqlite3_uint64(text.size()), SQLITE_TRANSIENT,
                SQLITE_UTF8);
            break;
        }
        }
    }
    m_database.check(rc, QStringLiteral("binding parameter %1 of \"%2\"").arg(position).arg(m_sql));
}

bool SqlStatement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    m_database.check(rc, QStringLiteral("\"%1\"").arg(m_sql));
    return false;
}

void SqlStatement::reset()
{
    sqlite3_reset(m_stmt);
}

int SqlStatement::run()
{
    while (step()) {
    }
    return sqlite3_changes(m_database.handle());
}

QStringList SqlStatement::columnNames() const
{
    QStringList names;
    const int count = columnCount();
    names.reserve(count);
    for (int i = 0; i < count; ++i)
        names << QString::fromUtf8(sqlite3_column_name(m_stmt, i));
    return names;
}

int SqlStatement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QVariant SqlStatement::value(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant::fromValue<qlonglong>(sqlite3_column_int64(m_stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_stmt, column);
    case SQLITE_TEXT:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column)),
            sqlite3_column_bytes(m_stmt, column));
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(m_stmt, column)), sqlite3_column_bytes(m_stmt, column));
    default:
        return {};
    }
}

std::vector<QVariant> SqlStatement::row() const
{
    std::vector<QVariant> values;
    const int count = columnCount();
    values.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        values.push_back(value(i));
    return values;
}
