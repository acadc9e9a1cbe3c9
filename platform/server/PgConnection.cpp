#include "PgConnection.h"

#include "LibraryFunction.h"

#include <QRegularExpression>
#include <QUrl>
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

using Span = std::pair<qsizetype, qsizetype>; // start, length

bool isSecretKey(const QString& key)
{
    const QString k = key.trimmed().toLower();
    return k == QLatin1String("password") || k == QLatin1String("sslpassword");
}

// Where a URI carries secrets: the password of its user part, and the values of its
// password and sslpassword parameters. Read by hand: QUrl rewrites what it does not
// know, a list of hosts (host1,host2:5433) for one.
std::vector<Span> uriSecrets(const QString& uri)
{
    std::vector<Span> spans;
    const qsizetype authority = uri.indexOf(QLatin1String("://")) + 3;
    qsizetype authorityEnd = uri.size();
    for (qsizetype i = authority; i < uri.size(); ++i) {
        if (uri[i] == QLatin1Char('/') || uri[i] == QLatin1Char('?')) {
            authorityEnd = i;
            break;
        }
    }
    const qsizetype at = uri.lastIndexOf(QLatin1Char('@'), authorityEnd - 1);
    if (at >= authority) {
        const qsizetype colon = uri.indexOf(QLatin1Char(':'), authority);
        if (colon >= 0 && colon < at)
            spans.push_back({ colon + 1, at - colon - 1 });
    }
    const qsizetype query = uri.indexOf(QLatin1Char('?'), authorityEnd);
    if (query < 0)
        return spans;
    qsizetype start = query + 1;
    while (start <= uri.size()) {
        qsizetype end = uri.indexOf(QLatin1Char('&'), start);
        if (end < 0)
            end = uri.size();
        const qsizetype eq = uri.indexOf(QLatin1Char('='), start);
        if (eq >= 0 && eq < end && isSecretKey(QUrl::fromPercentEncoding(uri.mid(start, eq - start).toUtf8())))
            spans.push_back({ eq + 1, end - eq - 1 });
        start = end + 1;
    }
    return spans;
}

// `password=...` or `sslpassword=...` in a keyword string: a value quoted with single
// quotes (backslash escapes inside) or bare.
const QRegularExpression keywordSecret(QStringLiteral(R"((?:^|\s)(?:ssl)?password\s*=\s*('(?:\\.|[^'\\])*'?|(?:\\.|\S)*))"),
    QRegularExpression::CaseInsensitiveOption);

std::vector<Span> keywordSecrets(const QString& text)
{
    std::vector<Span> spans;
    for (auto it = keywordSecret.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        spans.push_back({ m.capturedStart(1), m.capturedLength(1) });
    }
    return spans;
}

std::vector<Span> secretsOf(const QString& target)
{
    return isUri(target) ? uriSecrets(target) : keywordSecrets(target);
}

} // namespace

QString PgConnection::redacted(const QString& target)
{
    QString shown = target;
    const std::vector<Span> spans = secretsOf(target);
    for (auto it = spans.rbegin(); it != spans.rend(); ++it)
        shown.replace(it->first, it->second, QStringLiteral("xxxxx"));
    return shown;
}

bool PgConnection::hasPassword(const QString& target)
{
    return !secretsOf(target).empty();
}

bool PgConnection::isServerTarget(const QString& bdw)
{
    static const QRegularExpression keywords(QStringLiteral(R"(^\s*[a-z_]+\s*=)"), QRegularExpression::CaseInsensitiveOption);
    return isUri(bdw) || keywords.match(bdw).hasMatch();
}

PgError::Kind PgConnection::kindOf(const QString& sqlState, bool lost)
{
    // The connection, or the server going down or not yet up: it comes back by itself.
    if (lost || sqlState.startsWith(QLatin1String("08")) || sqlState.startsWith(QLatin1String("57P")))
        return PgError::Unreachable;
    // The login or password, a privilege, a server that only reads: the learner's writes are
    // not taken, nor will they be until someone changes that.
    if (sqlState.startsWith(QLatin1String("28")) || sqlState == QLatin1String("42501") || sqlState == QLatin1String("25006"))
        return PgError::Refused;
    // The values themselves: a data exception, a check or another integrity rule.
    if (sqlState.startsWith(QLatin1String("22")) || sqlState.startsWith(QLatin1String("23")))
        return PgError::Rejected;
    // Anything else may pass: a time-out, a lock, a deadlock, a missing table, a full disc.
    return PgError::Failed;
}

PgError::Kind PgConnection::kindOfConnectFailure(const QString& message)
{
    // A server that answered says so with its own FATAL error; one that is starting, stopping
    // or full is no refusal. libpq asking for a password it was not given is one.
    static const QRegularExpression passes(QStringLiteral(
        "starting up|shutting down|in recovery mode|too many clients|connection slots|not yet accepting|in hot standby"), QRegularExpression::CaseInsensitiveOption);
    if (message.contains(QLatin1String("no password supplied")))
        return PgError::Refused;
    if (message.contains(QLatin1String("FATAL:")) && !passes.match(message).hasMatch())
        return PgError::Refused;
    return PgError::Unreachable;
}

PgConnection::PgConnection(const QString& target, int timeoutSeconds)
    : m_shownTarget(redacted(target))
{
    const QByteArray dbname = target.trimmed().toUtf8();
    const QByteArray timeout = QByteArray::number(std::max(2, timeoutSeconds));
    // expand_dbname: the target (a URI or keyword string) gives every other setting but
    // those after it, which bound how long a server that stops answering can hold a call:
    // keep-alives after 5 s of silence, every 2 s, given up after 3 unanswered, and any
    // data unacknowledged for 10 s.
    const char* const keys[] = { "dbname", "connect_timeout", "application_name", "keepalives", "keepalives_idle",
        "keepalives_interval", "keepalives_count", "tcp_user_timeout", nullptr };
    const char* const values[] = { dbname.constData(), timeout.constData(), "tamsel", "1", "5", "2", "3", "10000", nullptr };
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
    const PgError::Kind kind = m_conn && pq().status(m_conn) == CONNECTION_BAD && state == QLatin1String("08001")
        ? kindOfConnectFailure(reason)
        : kindOf(state, lost);
    throw PgError(QStringLiteral("%1: %2: %3").arg(m_shownTarget, what, reason), kind, state);
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
