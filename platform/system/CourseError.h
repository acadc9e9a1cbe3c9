#pragma once

#include <QString>
#include <stdexcept>

/// A failure the course cannot go on from: a missing file, row, table, column or query.
/// The message names what is missing; the top level shows it and ends the program.
class CourseError : public std::runtime_error {
public:
    explicit CourseError(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }

    QString message() const { return m_message; }

private:
    QString m_message;
};
