#pragma once

#include "CourseError.h"

#include <QString>
#include <QVariant>
#include <vector>

struct pg_conn;

/// A failure talking to the database server. The message names the server (its target
/// with any password taken out) and what failed; the SQLSTATE says what kind it was.
class PgError : public CourseError {
public:
    enum Kind {
        Unreachable, ///< no connection, or the connection was lost: try again later
        Refused,     ///< the server answers but will not take the learner's writes: his login or
                     ///< password refused, a revoked role, a read-only server
        Rejected,    ///< the server refuses these values (a data exception, a check): others may go through
        Failed,      ///< the server failed the statement for a reason that may pass (a time-out, a lock,
                     ///< a missing table, a full disc, an internal error): try it again later
    };
    PgError(const QString& message, Kind kind, const QString& sqlState)
        : CourseError(message)
        , m_kind(kind)
        , m_sqlState(sqlState)
    {
    }
    Kind kind() const { return m_kind; }
    QString sqlState() const { return m_sqlState; }

private:
    Kind m_kind;
    QString m_sqlState;
};

/// One connection to a PostgreSQL server through libpq. The target is a connection URI
/// (`postgresql://host/db`) or keyword string (`service=tamsel`); credentials come the
/// way libpq finds them (the service file, ~/.pgpass, PG* variables, peer or Kerberos
/// authentication). Every value is sent as a bound parameter, never pasted into SQL.
/// Not for sharing between threads: one thread uses one connection.
class PgConnection {
public:
    struct Result {
        std::vector<std::vector<QVariant>> rows; ///< text values, null as a null QVariant
        int affected = 0;                         ///< rows an insert, update or delete changed
    };

    /// Connects to TARGET, giving up after TIMEOUTSECONDS (libpq's connect_timeout, at
    /// least 2). A connection that stops answering is given up by the system (keep-alives,
    /// tcp_user_timeout). Throws PgError: Unreachable when no server answered, Refused when
    /// one refused the login.
    PgConnection(const QString& target, int timeoutSeconds);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    /// Runs SQL with PARAMETERS $1, $2… (text; a null QVariant is SQL null). Throws PgError.
    Result exec(const QString& sql, const QVariantList& parameters = {});
    /// True while the connection is usable.
    bool isOpen() const;

    /// TARGET as it may be shown or traced: any password (or key password) taken out,
    /// the rest as written.
    static QString redacted(const QString& target);
    /// True when TARGET carries a password or a key password (which belong in ~/.pgpass or
    /// the service file, not in settings).
    static bool hasPassword(const QString& target);
    /// What kind of failure SQLSTATE is (LOST: the connection went with it).
    static PgError::Kind kindOf(const QString& sqlState, bool lost);
    /// What kind of failure a connection that could not be made is, by libpq's MESSAGE:
    /// a login the server refused, or no server (libpq gives no SQLSTATE for it).
    static PgError::Kind kindOfConnectFailure(const QString& message);
    /// True when a `BDW=` value names a server rather than a file.
    static bool isServerTarget(const QString& bdw);

private:
    [[noreturn]] void fail(const QString& what, const char* sqlState);

    pg_conn* m_conn = nullptr;
    QString m_shownTarget;
};
