#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QString>

/// The diagnostics trace: one JSON object per line, flushed per line,
/// {"t": <ms since start>, "ev": "<name>", ...fields}. Disabled until opened.
class Trace {
public:
    Trace();
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    /// Opens FILE for writing, or standard error for "-". Returns false when it cannot.
    bool open(const QString& target);
    bool isEnabled() const { return m_file.isOpen(); }

    /// Writes one event; does nothing while the trace is disabled.
    void event(const char* name, const QJsonObject& fields = {});

private:
    QElapsedTimer m_clock;
    QFile m_file;
};
