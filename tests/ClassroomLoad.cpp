#include "ClassroomLoad.h"

#include "ClassroomServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <algorithm>
#include <memory>
#include <vector>

ClassroomLoad ClassroomLoad::run(ClassroomServer& server, const QString& writer, int learners, int seconds, const QString& folder)
{
    ClassroomLoad load;
    load.learners = learners;
    std::vector<std::unique_ptr<QProcess>> players;
    for (int i = 1; i <= learners; ++i) {
        const QString name = QStringLiteral("carga%1").arg(i, 2, 10, QLatin1Char('0'));
        server.addLogin(name);
        auto player = std::make_unique<QProcess>();
        player->setProcessChannelMode(QProcess::SeparateChannels);
        player->start(writer, { QStringLiteral("--load"), server.target(name), folder + QStringLiteral("/%1.sqlite").arg(name), QString::number(seconds) });
        players.push_back(std::move(player));
    }
    std::vector<double> medians;
    for (int i = 0; i < learners; ++i) {
        QProcess& player = *players[size_t(i)];
        const QString name = QStringLiteral("carga%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        if (!player.waitForFinished((seconds + 120) * 1000)) {
            player.kill();
            player.waitForFinished();
            load.error = name + QStringLiteral(" did not finish");
            continue;
        }
        const QJsonObject result = QJsonDocument::fromJson(player.readAllStandardOutput().trimmed()).object();
        if (result.isEmpty()) {
            load.error = name + QStringLiteral(": ") + QString::fromUtf8(player.readAllStandardError());
            continue;
        }
        const int visits = result.value(QStringLiteral("visits")).toInt();
        const int attempts = result.value(QStringLiteral("attempts")).toInt();
        load.writes += visits + attempts;
        const int visitRows = server.sql(QStringLiteral("select count(*) from tamsel.lecciones_usuario where alumno = '%1'").arg(name)).toInt();
        const int attemptRows = server.sql(QStringLiteral("select count(*) from tamsel.intentos_test where alumno = '%1'").arg(name)).toInt();
        load.lost += std::max(0, visits - visitRows) + std::max(0, attempts - attemptRows);
        load.duplicated += std::max(0, visitRows - visits) + std::max(0, attemptRows - attempts);
        medians.push_back(result.value(QStringLiteral("median_ms")).toDouble());
        load.worstMs = std::max(load.worstMs, result.value(QStringLiteral("max_ms")).toDouble());
    }
    if (!medians.empty()) {
        std::sort(medians.begin(), medians.end());
        load.medianMs = medians[medians.size() / 2];
    }
    return load;
}
