#pragma once

#include <QList>
#include <QString>

/// One saved query of a query file: its name and SQL text.
struct SavedQuery {
    QString name;
    QString sql;
};

/// The player's own saved-query files (course/schema/*-queries.sql): each query is a
/// "-- query: NAME" line followed by its SQL; other comment lines are dropped.
namespace SavedQueryFile {

/// Splits TEXT into its "-- query: NAME" blocks.
QList<SavedQuery> parse(const QString& text);

/// The player's own definitions of the saved queries the course names, built into the
/// program: used for a legacy database whose query cannot be rebuilt.
QList<SavedQuery> playerDefinitions();

} // namespace SavedQueryFile
