#include "PgConnection.h"

#include "LibraryFunction.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>
#include <QLibrary>
#include <libpq-fe.h>

namespace {

// libpq is opened at the first connection rather than linked into the player: linked,
// it and what it needs (Kerberos, LDAP, TLS) load at every start, for the classroom
// set-up only.
constexpr int kLibpqVersion = 5;

struct Libpq {
    decltype(&PQclear) clear = nullptr;
    decltype(&PQcmdTuples) cmdTuples = nullptr;
    decltype(&PQconnectdbParams) connectdbParams = nullptr;
    decltype(&PQerrorMessage) errorMessage = nullptr;
    decltype(&PQexecParams) execParams = nullptr;
    decltype(&PQfinish) finish = nullptr;
    decltype(&PQgetisnull) getisnull = nullptr;
    decltype(&PQgetvalue) getvalue = nullptr;
    decltype(&PQnfields) nfields = nullptr;
    decltype(&PQntuples) ntuples = nullptr;
    decltype(&PQresultErrorField) resultErrorField = nullptr;
    decltype(&PQresultErrorMessage) resultErrorMessage = nullptr;
    decltype(&PQresultStatus) resultStatus = nullptr;
    decltype(&PQstatus) status = nullptr;
};

struct LoadedLibpq {
    Libpq api;
    QString error;
};

LoadedLibpq loadLibpq()
{
    LoadedLibpq loaded;
    QLibrary library(QStringLiteral("pq"), kLibpqVersion);
    QString& error = loaded.error;
    if (!library.load()) {
        error = QStringLiteral("the PostgreSQL client library cannot be loaded: %1").arg(library.errorString());
        return loaded;
    }
    Libpq& api = loaded.api;
    if (!(resolveFunction(library, "PQclear", api.clear, error) &&
        resolveFunction(library, "PQcmdTuples", api.cmdTuples, error) &&
        resolveFunction(library, "PQconnectdbParams", api.connectdbParams, error) &&
        resolveFunction(library, "PQerrorMessage", api.errorMessage, error) &&
        resolveFunction(library, "PQexecParams", api.execParams, error) &&
        resolveFunction(library, "PQfinish", api.finish, error) &&
        resolveFunction(library, "PQgetisnull", api.getisnull, error) &&
        resolveFunction(library, "PQgetvalue", api.getvalue, error) &&
        resolveFunction(library, "PQnfields", api.nfields, error) &&
        resolveFunction(library, "PQntuples", api.ntuples, error) &&
        resolveFunction(library, "PQresultErrorField", api.resultErrorField, error) &&
        resolveFunction(library, "PQresultErrorMessage", api.resultErrorMessage, error) &&
        resolveFunction(library, "PQresultStatus", api.resultStatus, error) &&
        resolveFunction(library, "PQstatus", api.status, error)))
        library.unload();
    return loaded; // a loaded library stays loaded when its QLibrary goes
}

const LoadedLibpq& libpq()
{
    static const LoadedLibpq loaded = loadLibpq();
    return loaded;
}

// Only once a connection exists, which needed the library.
const Libpq& pq()
{
    return libpq().api;
}

} // namespace

namespace {

bool isUri(const QString& target)
{
    const QString t = target.trimmed();
    return t.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) || t.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

// `password=...` in a keyword string: a value quoted with single quotes (\' inside) or bare.
const QRegularExpression keywordPassword(QStringLiteral(R"((^|\s)password\s*=\s*('(\\.|[^'])*'|\S*))"),
    QRegularExpression::CaseInsensitiveOption);

PgError::Kind kindOf(const QString& sqlState, bool connectionLost)
{
    if (connectionLost || sqlState.startsWith(QLatin1String("08")) || sqlState.startsWith(QLatin1String("57P")))
        return PgError::Unreachable;
    // insufficient_privilege, read_only_sql_transaction, a role that may no longer log in
    if (sqlState == QLatin1String("42501") || sqlState == QLatin1String("25006") || sqlState.startsWith(QLatin1String("28")))
        return PgError::Refused;
    return PgError::Rejected;
}

} // namespace

QString PgConnection::redacted(const QString& target)
{
    if (isUri(target)) {
        QUrl url(target.trimmed());
        if (!url.password().isEmpty())
            url.setPassword(QStringLiteral("xxxxx"));
        QUrlQuery query(url);
        if (query.hasQueryItem(QStringLiteral("password"))) {
            query.removeAllQueryItems(QStringLiteral("password"));
            query.addQueryItem(QStringLiteral("password"), QStringLiteral("xxxxx"));
            url.setQuery(query);
        }
        return url.toString();
    }
    QString shown = target;
    shown.replace(keywordPassword, QStringLiteral("\\1password=xxxxx"));
    return shown;
}

bool PgConnection::hasPassword(const QString& target)
{
    return redacted(target) != (isUri(target) ? QUrl(target.trimmed()).toString() : target);
}

bool PgConnection::isServerTarget(const QString& bdw)
{
    static const QRegularExpression keywords(QStringLiteral(R"(^\s*[a-z_]+\s*=)"), QRegularExpression::CaseInsensitiveOption);
    return isUri(bdw) || keywords.match(bdw).hasMatch();
}

PgConnection::PgConnection(const QString& target, int timeoutSeconds)
    : m_shownTarget(redacted(target))
{
    const QByteArray dbname = target.trimmed().toUtf8();
    const QByteArray timeout = QByteArray::number(std::max(2, timeoutSeconds));
    // expand_dbname: the target (a URI or keyword string) gives every other setting.
    const char* const keys[] = { "dbname", "connect_timeout", "application_name", nullptr };
    const char* const values[] = { dbname.constData(), timeout.constData(), "tamsel", nullptr };
    if (!libpq().error.isEmpty())
        throw PgError(QStringLiteral("%1: %2").arg(m_shownTarget, libpq().error), PgError::Unreachable, QStringLiteral("08001"));
    m_conn = pq().connectdbParams(keys, values, 1);
    if (!m_conn || pq().status(m_conn) != CONNECTION_OK)
        fail(QStringLiteral("cannot connect"), "08001");
}

PgConnection::~PgConnection()
{
    if (m_conn)
        pq().finish(m_conn);
}

bool PgConnection::isOpen() const
{
    return m_conn && pq().status(m_conn) == CONNECTION_OK;
}

void PgConnection::fail(const QString& what, const char* sqlState)
{
    QString reason = m_conn ? QString::fromUtf8(pq().errorMessage(m_conn)).trimmed() : QStringLiteral("out of memory");
    // libpq's messages may repeat the target; never the password.
    reason = redacted(reason);
    const bool lost = !m_conn || pq().status(m_conn) != CONNECTION_OK;
    const QString state = QString::fromLatin1(sqlState ? sqlState : "");
    throw PgError(QStringLiteral("%1: %2: %3").arg(m_shownTarget, what, reason), kindOf(state, lost), state);
}

PgConnection::Result PgConnection::exec(const QString& sql, const QVariantList& parameters)
{
    if (!m_conn)
        fail(QStringLiteral("not connected"), "08003");
    std::vector<QByteArray> texts;
    std::vector<const char*> values;
    texts.reserve(size_t(parameters.size()));
    for (const QVariant& p : parameters) {
        if (p.isNull()) {
            values.push_back(nullptr);
        } else {
            texts.push_back(p.toString().toUtf8());
            values.push_back(texts.back().constData());
        }
    }
    PGresult* result = pq().execParams(m_conn, sql.toUtf8().constData(), int(values.size()), nullptr, values.data(), nullptr, nullptr, 0);
    const ExecStatusType status = result ? pq().resultStatus(result) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        const QString state = QString::fromLatin1(result ? pq().resultErrorField(result, PG_DIAG_SQLSTATE) : nullptr);
        const QString reason = result ? QString::fromUtf8(pq().resultErrorMessage(result)).trimmed() : QString::fromUtf8(pq().errorMessage(m_conn)).trimmed();
        pq().clear(result);
        const bool lost = pq().status(m_conn) != CONNECTION_OK;
        const QString firstLine = sql.section(QLatin1Char('\n'), 0, 0).left(80);
        throw PgError(QStringLiteral("%1: %2 (%3)").arg(m_shownTarget, redacted(reason), firstLine), kindOf(state, lost), state);
    }
    Result out;
    out.affected = QByteArray(pq().cmdTuples(result)).toInt();
    const int rows = pq().ntuples(result);
    const int columns = pq().nfields(result);
    out.rows.reserve(size_t(rows));
    for (int r = 0; r < rows; ++r) {
        std::vector<QVariant> row;
        row.reserve(size_t(columns));
        for (int c = 0; c < columns; ++c)
            row.push_back(pq().getisnull(result, r, c) ? QVariant() : QVariant(QString::fromUtf8(pq().getvalue(result, r, c))));
        out.rows.push_back(std::move(row));
    }
    pq().clear(result);
    return out;
}
