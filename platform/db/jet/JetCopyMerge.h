#pragma once

#include <QList>
#include <QString>

class Database;

/// Brings together two converted copies of one learner database: the learner's rows of
/// one are added to the other, so that no visited lesson recorded in either is lost.
class JetCopyMerge {
public:
    /// Rows one table took over.
    struct Taken {
        QString table;
        qint64 rows = 0;
    };

    /// Adds to INTO, in one transaction, every row of each table of the copy FROM that
    /// INTO does not hold yet (a row both hold stays one row); a table only FROM has comes
    /// whole. The player's own tables (saved queries, the password lock) stay INTO's.
    /// Returns what each table took over; throws CourseError naming the file on failure,
    /// INTO then unchanged.
    static QList<Taken> merge(Database& into, const QString& from);
};
