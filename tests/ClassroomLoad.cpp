#include "ClassroomLoad.h"

#include "ClassroomServer.h"

#include <QElapsedTimer>
#include <QHash>
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
    const auto nameOf = [](int i) { return QStringLiteral("carga%1").arg(i, 2, 10, QLatin1Char('0')); };
    // Every login first: the set-up's own processes must not run beside the writes measured.
    for (int i = 1; i <= learners; ++i)
        server.addLogin(nameOf(i));
    // Every insert the server commits, by learner and key.
    server.sql(QStringLiteral(
        "create table tamsel_carga_altas (alumno text, tabla text, clave text);"
        "create function tamsel_carga_alta() returns trigger language plpgsql security definer set search_path = pg_catalog as $$ begin "
        "  insert into public.tamsel_carga_altas values (new.alumno, tg_table_name, coalesce(to_jsonb(new) ->> 'id', to_jsonb(new) ->> 'leccion'));"
        "  return null; end $$;"
        "create trigger carga after insert on tamsel.lecciones_usuario for each row execute function tamsel_carga_alta();"
        "create trigger carga after insert on tamsel.intentos_test for each row execute function tamsel_carga_alta()"));
    std::vector<std::unique_ptr<QProcess>> players;
    for (int i = 1; i <= learners; ++i) {
        const QString name = nameOf(i);
        auto player = std::make_unique<QProcess>();
        player->setProcessChannelMode(QProcess::SeparateChannels);
        player->start(writer, { QStringLiteral("--load"), server.target(name), folder + QStringLiteral("/%1.sqlite").arg(name), QString::number(seconds) });
        players.push_back(std::move(player));
    }
    // All at once: each says "ready" once connected, and all are told to go together, so
    // that sixty start-ups do not weigh on the first writes measured.
    QElapsedTimer readying;
    readying.start();
    for (int i = 0; i < learners && load.error.isEmpty(); ++i) {
        QProcess& player = *players[size_t(i)];
        while (!player.canReadLine() && player.state() != QProcess::NotRunning && readying.elapsed() < 120000)
            player.waitForReadyRead(1000);
        if (player.readLine().trimmed() != "ready")
            load.error = nameOf(i + 1) + QStringLiteral(" never got ready: ") + QString::fromUtf8(player.readAllStandardError());
    }
    for (auto& player : players) {
        player->write("go\n");
        player->waitForBytesWritten(1000); // sent now, not when that player is waited for
    }
    std::vector<double> medians;
    std::vector<double> serverMedians;
    std::vector<double> callMedians;
    std::vector<QJsonObject> results;
    results.resize(size_t(learners));
    for (int i = 0; i < learners; ++i) {
        QProcess& player = *players[size_t(i)];
        const QString name = nameOf(i + 1);
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
        results[size_t(i)] = result;
        medians.push_back(result.value(QStringLiteral("median_ms")).toDouble());
        load.worstMs = std::max(load.worstMs, result.value(QStringLiteral("max_ms")).toDouble());
        serverMedians.push_back(result.value(QStringLiteral("server_median_ms")).toDouble());
        load.serverWorstMs = std::max(load.serverWorstMs, result.value(QStringLiteral("server_max_ms")).toDouble());
        callMedians.push_back(result.value(QStringLiteral("call_median_ms")).toDouble());
        load.callWorstMs = std::max(load.callWorstMs, result.value(QStringLiteral("call_max_ms")).toDouble());
    }
    // What reached the server, once every player has ended: "name|visits|attempts" lines.
    QHash<QString, std::pair<int, int>> rows;
    const QString counted = server.sql(QStringLiteral(
        "select a.alumno || '|' || (select count(*) from tamsel.lecciones_usuario v where v.alumno = a.alumno) || '|' || "
        "(select count(*) from tamsel.intentos_test t where t.alumno = a.alumno) "
        "from (select alumno from tamsel.lecciones_usuario union select alumno from tamsel.intentos_test) a"));
    for (const QString& line : counted.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(QLatin1Char('|'));
        if (parts.size() == 3)
            rows.insert(parts[0], { parts[1].toInt(), parts[2].toInt() });
    }
    for (int i = 0; i < learners; ++i) {
        const QJsonObject& result = results[size_t(i)];
        if (result.isEmpty())
            continue;
        const int visits = result.value(QStringLiteral("visits")).toInt();
        const int attempts = result.value(QStringLiteral("attempts")).toInt();
        load.writes += visits + attempts;
        const auto [visitRows, attemptRows] = rows.value(nameOf(i + 1), { 0, 0 });
        load.lost += std::max(0, visits - visitRows) + std::max(0, attempts - attemptRows);
        // A write kept twice, under two keys: more rows than made.
        load.duplicated += std::max(0, visitRows - visits) + std::max(0, attemptRows - attempts);
    }
    // A write taken twice under its own key: inserted again after its row went.
    load.duplicated += server.sql(QStringLiteral("select count(*) - count(distinct (alumno, tabla, clave)) from tamsel_carga_altas")).toInt();
    if (!medians.empty()) {
        std::sort(medians.begin(), medians.end());
        load.medianMs = medians[medians.size() / 2];
        std::sort(serverMedians.begin(), serverMedians.end());
        load.serverMedianMs = serverMedians[serverMedians.size() / 2];
        std::sort(callMedians.begin(), callMedians.end());
        load.callMedianMs = callMedians[callMedians.size() / 2];
    }
    return load;
}
