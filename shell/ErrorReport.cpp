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

void ErrorReport::fatal(Trace& trace, const QString& message)
{
    trace.event("error", { { QStringLiteral("message"), message } });
    std::fprintf(stderr, "tamsel: %s\n", qPrintable(message));
    const QString platform = QGuiApplication::platformName();
    const bool display = qobject_cast<QApplication*>(QCoreApplication::instance())
        && platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
    if (display)
        QMessageBox::critical(nullptr, programTitle(), message);
}
