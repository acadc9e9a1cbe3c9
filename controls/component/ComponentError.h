#pragma once

#include <QString>
#include <stdexcept>

/// A failure of the component machinery: a damaged registry, a library that cannot be
/// loaded, a missing entry point, a class the library does not provide. The message
/// names the file, library or identifier concerned.
class ComponentError : public std::runtime_error {
public:
    explicit ComponentError(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }

    QString message() const { return m_message; }

private:
    QString m_message;
};
