#include "ErrorReport.h"

#include "Trace.h"

#include <QApplication>
#include <QJsonObject>
#include <QMessageBox>
#include <cstdio>

QString ErrorReport::programTitle()
{
    return QStringLiteral("tamsel");
}

namespace {

// Trace, standard error, and a box when there is a display to show it on.
void report(Trace& trace, const char* event, const QString& message, QMessageBox::Icon icon)
{
    trace.event(event, { { QStringLiteral("message"), message } });
    std::fprintf(stderr, "tamsel: %s\n", qPrintable(message));
    const QString platform = QGuiApplication::platformName();
    const bool display = qobject_cast<QApplication*>(QCoreApplication::instance())
        && platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
    if (display)
        QMessageBox(icon, ErrorReport::programTitle(), message).exec();
}

} // namespace

void ErrorReport::fatal(Trace& trace, const QString& message)
{
    report(trace, "error", message, QMessageBox::Critical);
}

void ErrorReport::notice(Trace& trace, const QString& message)
{
    report(trace, "notice", message, QMessageBox::Warning);
}
