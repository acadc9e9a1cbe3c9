#include "PlayerClock.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QProcess>
#include <cstdio>

double msUntil(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment, const Marker& marker)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setReadChannel(QProcess::StandardError);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    double ms = -1;
    QByteArray written;
    while (ms < 0 && clock.elapsed() < 20000 && process.waitForReadyRead(20000)) {
        while (process.canReadLine()) {
            const QByteArray line = process.readLine();
            written += line;
            if (marker(QJsonDocument::fromJson(line).object())) {
                ms = double(clock.nsecsElapsed()) / 1e6;
                break;
            }
        }
    }
    if (ms < 0)
        std::fprintf(stderr, "%s %s wrote:\n%s\n", qPrintable(program), qPrintable(process.errorString()), written.constData());
    process.terminate();
    if (!process.waitForFinished(3000))
        process.kill();
    process.waitForFinished(3000);
    return ms;
}

Marker traceEvent(const QString& name)
{
    return [name](const QJsonObject& e) { return e.value(QStringLiteral("ev")).toString() == name; };
}
