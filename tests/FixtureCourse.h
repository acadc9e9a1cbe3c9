#pragma once

#include "PointerEvents.h"

#include <QColor>
#include <QJsonObject>
#include <QSize>
#include <QList>
#include <QPoint>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

/// A small course made for one test in a temporary folder, with a private user home:
/// its own configuration (expert.ini), data, cache and runtime folders, so that a test never
/// touches the real user's files.
class FixtureCourse {
public:
    /// Builds bbm.mdb from the course schema plus CONTENT_ROWS (SQL inserts), an empty
    /// usrcurso.mdb in the data folder, inst.ini with dirdef "CURSO", and expert.ini
    /// naming the learner database under [CURSO] and [tamsel].
    explicit FixtureCourse(const QString& contentRows);

    QString folder() const { return m_root.filePath(QStringLiteral("course")); }
    QString configFolder() const { return m_root.filePath(QStringLiteral("config/tamsel")); }
    QString learnerDatabase() const { return m_root.filePath(QStringLiteral("data/tamsel/usrcurso.mdb")); }
    QString path(const QString& name) const { return m_root.filePath(name); }

    /// Writes a flat picture NAME (relative to the course folder) of SIZE in COLOUR.
    void addPicture(const QString& name, const QSize& size, const QColor& colour) const;
    /// Writes the hand pointer "mano.ico".
    void addHandCursor() const { addPicture(QStringLiteral("mano.ico"), QSize(32, 32), Qt::white); }
    /// Writes what a map lesson needs to be shown: "mapa.bmp", an all-black "mascara.bmp"
    /// (640 x 480) and the hand pointer.
    void addMinimalMap() const;
    /// Writes a sine tone NAME of SECONDS at FREQUENCY (sox).
    void addTone(const QString& name, double seconds, int frequency) const;

    /// Rewrites expert.ini with TEXT (CRLF line ends added).
    void writeExpertIni(const QString& text) const;
    /// The environment that points a player at this fixture's private home.
    QProcessEnvironment environment() const;
    /// Sets this process's XDG variables to the fixture's private home.
    void useHere() const;

private:
    QTemporaryDir m_root;
};

/// The events of a trace file, optionally only those named NAME.
QList<QJsonObject> readTrace(const QString& file, const QString& name = {});

/// The real player, started on a fixture course with a trace, as a user would start it.
class PlayerRun {
public:
    PlayerRun(const FixtureCourse& course, const QString& traceName = QStringLiteral("trace.jsonl"));
    /// PROGRAM (an installed player) started with no course, so that it finds its own,
    /// in ENVIRONMENT, tracing to TRACEFILE.
    PlayerRun(const QString& program, const QProcessEnvironment& environment, const QString& traceFile);
    ~PlayerRun();

    /// Plays COURSE (a folder or a disc image) instead of the fixture's folder.
    void setCourse(const QString& course) { m_courseArguments = QStringList { QStringLiteral("--course"), course }; }
    /// Runs the player on the real display (DISPLAY) instead of the offscreen platform.
    void useDisplay();
    /// Starts `tamsel --course <fixture> --trace <file>` (no --course for an installed
    /// player) with EXTRA arguments.
    void start(const QStringList& extra = {});
    /// Waits for the program to end by itself; returns its exit code, -1 on time-out.
    int waitForExit(int timeoutMs = 15000);
    /// Starts the player on the real display and waits until its first screen has been
    /// activated and has settled; returns where the stage lies on the display, invalid
    /// when the player never got that far.
    PointerEvents::StageOnDisplay startOnDisplay(const QStringList& extra = {});
    /// Waits until the trace holds an event named NAME; returns it (empty on time-out).
    QJsonObject waitForEvent(const QString& name, int timeoutMs = 15000);
    /// All events written so far.
    QList<QJsonObject> events() const;
    QList<QJsonObject> events(const QString& name) const;
    QString standardError() const { return m_stderr; }
    void stop();
    /// Asks the player to end as the session does (SIGTERM), without waiting.
    void terminate();

private:
    QString m_program;
    QStringList m_courseArguments;
    QString m_traceFile;
    class QProcess* m_process = nullptr;
    QString m_stderr;
};
