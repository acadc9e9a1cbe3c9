#include "ShellHarness.h"

#include "StartUp.h"

ShellHarness::ShellHarness(const FixtureCourse& course)
    : m_traceFile(course.path(QStringLiteral("harness.jsonl")))
{
    course.useHere();
    trace.open(m_traceFile);
    state.Folder = CourseFolder(course.folder());
    state.ProgramFolder = state.Folder.path();
    state.ContentDb = Database::open(course.folder() + QStringLiteral("/bbm.mdb"), ShareMode::Shared, AccessMode::ReadOnly,
        StartUp::connectString());
    state.UserDb = Database::open(course.learnerDatabase(), ShareMode::Shared, AccessMode::ReadWrite, StartUp::connectString());
    state.History.assign(1, HistoryEntry { 1, 1 });
    state.CurrentLesson = 1;
    host = std::make_unique<ScreenHost>(trace);
    shell = std::make_unique<Shell>(state, trace, *host);
    shell->setProgramEnd([this](int status) { endStatus = status; });
    host->resize(ScreenHost::StageWidth, ScreenHost::StageHeight);
    host->show();
}

ShellHarness::~ShellHarness()
{
    shell.reset();
    host.reset();
}

QList<QJsonObject> ShellHarness::events(const QString& name) const
{
    return readTrace(m_traceFile, name);
}

int ShellHarness::soundCount(const QString& channel, const QString& op) const
{
    int count = 0;
    const QList<QJsonObject> sounds = events(QStringLiteral("sound"));
    for (const QJsonObject& e : sounds) {
        if (e.value(QStringLiteral("channel")).toString() == channel && e.value(QStringLiteral("op")).toString() == op)
            ++count;
    }
    return count;
}
