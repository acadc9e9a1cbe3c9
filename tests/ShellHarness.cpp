#include "ShellHarness.h"

#include "StartUp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

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

void ShellHarness::answerNextQuestion(const QString& caption)
{
    // The box runs its own event loop: it is answered from inside it, as a learner would.
    auto* poll = new QTimer(host.get());
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [this, caption, poll] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll->stop();
        poll->deleteLater();
        askedText = box->text();
        askedDefault = box->defaultButton() ? box->defaultButton()->text() : QString();
        if (caption.isEmpty()) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        const QList<QAbstractButton*> buttons = box->buttons();
        for (QAbstractButton* button : buttons) {
            if (button->text() == caption)
                QTest::mouseClick(button, Qt::LeftButton);
        }
    });
    poll->start();
}
