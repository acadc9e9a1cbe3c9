#include "ErrorReport.h"

#include "ExplainedError.h"
#include "Trace.h"

#include <QApplication>
#include <QJsonObject>
#include <QMessageBox>
#include <QRegularExpression>
#include <cstdio>

QString ErrorReport::programTitle()
{
    return QStringLiteral("tamsel");
}

QString ErrorReport::generalText()
{
    return QStringLiteral("El curso no puede continuar: falta alguno de sus archivos o está dañado.");
}

QString ErrorReport::missingFileText(const QString& message)
{
    // A file the course names but lacks is the commonest failure: the learner hears which.
    static const QRegularExpression missing(QStringLiteral("^missing file \"([^\"]+)\""));
    const QRegularExpressionMatch match = missing.match(message);
    return match.hasMatch() ? QStringLiteral("El curso no puede continuar: falta su archivo %1.").arg(match.captured(1)) : QString();
}

namespace {

// Trace, standard error, and a box when there is a display to show it on. The learner
// reads only his own words; the technical account is for whoever looks into it.
void report(Trace& trace, const char* event, const QString& text, const QString& detail, QMessageBox::Icon icon)
{
    trace.event(event, { { QStringLiteral("message"), detail }, { QStringLiteral("text"), text } });
    std::fprintf(stderr, "tamsel: %s\n", qPrintable(text));
    if (detail != text)
        std::fprintf(stderr, "tamsel: %s\n", qPrintable(detail));
    const QString platform = QGuiApplication::platformName();
    const bool display = qobject_cast<QApplication*>(QCoreApplication::instance())
        && platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
    if (display)
        QMessageBox(icon, ErrorReport::programTitle(), text).exec();
}

} // namespace

void ErrorReport::fatal(Trace& trace, const CourseError& error)
{
    const auto* explained = dynamic_cast<const ExplainedError*>(&error);
    QString text = explained ? explained->learnerText() : missingFileText(error.message());
    report(trace, "error", text.isEmpty() ? generalText() : text, error.message(), QMessageBox::Critical);
}

void ErrorReport::fatal(Trace& trace, const QString& message)
{
    fatal(trace, CourseError(message));
}

void ErrorReport::notice(Trace& trace, const QString& message)
{
    report(trace, "notice", message, message, QMessageBox::Warning);
}
