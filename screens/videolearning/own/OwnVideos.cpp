#include "OwnVideos.h"

#include "AddVideoFlow.h"
#include "CourseTree.h"
#include "Database.h"
#include "MissingVideoPrompt.h"
#include "ModuleState.h"
#include "Recordset.h"
#include "Shell.h"
#include "Trace.h"
#include "VideoFit.h"
#include "VideoPlayer.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QMenu>
#include <QPointer>
#include <QTimer>

OwnVideos::OwnVideos(Shell& shell, QWidget& stage, Host host)
    : QObject(&stage)
    , m_shell(shell)
    , m_stage(stage)
    , m_host(std::move(host))
{
}

OwnVideos::~OwnVideos() = default;

OwnLessonSource& OwnVideos::source()
{
    // The learner folder is known once start-up has opened the learner's records.
    if (!m_source || m_sourceFolder != m_shell.state().UserFolder) {
        m_sourceFolder = m_shell.state().UserFolder;
        m_source = std::make_unique<OwnLessonSource>(m_sourceFolder, m_shell.trace());
    }
    return *m_source;
}

QRect OwnVideos::videoArea() const
{
    QPoint place = m_rowArea.topLeft();
    auto first = m_shell.state().ContentDb->openRecordset(QStringLiteral("select * from lecciones where tipo = 12 order by N_leccion"));
    if (!first->isEof())
        place = QPoint(int(first->number(QStringLiteral("X"))), int(first->number(QStringLiteral("Y"))));
    return { place, m_rowArea.size() };
}

QRect OwnVideos::fitted(const QSize& natural) const
{
    return VideoFit::fit(natural, videoArea());
}

std::optional<OwnVideos::Shown> OwnVideos::shown(qint16 lesson)
{
    const std::optional<OwnLessons::Lesson> own = source().lesson(lesson);
    if (!own)
        return std::nullopt;
    return Shown { own->title, own->video, videoArea().topLeft() };
}

void OwnVideos::openVideo(VideoPlayer& player, qint16 lesson, const QString& video)
{
    // Kept by absolute path: a relative one (a store made by hand) would name a file in
    // whatever folder the player was started from.
    if (QFileInfo(video).isAbsolute() && QFileInfo(video).isFile()) {
        player.setFileName(video);
        return;
    }
    player.setFileName(QString());
    if (video.isEmpty())
        return; // no such lesson (any more): nothing to look for
    videoLost(lesson, video);
}

void OwnVideos::videoLost(qint16 lesson, const QString& video)
{
    // Asked once the screen is on show, and only if the learner is still on that lesson.
    QTimer::singleShot(0, this, [this, lesson, video] {
        if (m_stage.isVisible() && m_shell.state().CurrentLesson == lesson)
            m_shell.guarded([&] { videoMissing(lesson, video); });
    });
}

void OwnVideos::videoMissing(qint16 lesson, const QString& video)
{
    switch (MissingVideoPrompt::ask(m_shell, video)) {
    case MissingVideoPrompt::Choice::LookForIt: lookFor(lesson, video); break;
    case MissingVideoPrompt::Choice::Remove: removeLesson(lesson); break;
    case MissingVideoPrompt::Choice::Leave: break;
    }
}

void OwnVideos::lookFor(qint16 lesson, const QString& video)
{
    // The dialog opens where the video was, or as near as there still is a folder.
    QDir near = QFileInfo(video).dir();
    while (!near.exists() && near.cdUp()) {
    }
    const QString found = AddVideoFlow::pickFile(m_shell, &m_stage, QStringLiteral("Buscar «%1»").arg(QFileInfo(video).fileName()),
        AddVideoFlow::videoFilter(), near.exists() ? near.absolutePath() : QDir::homePath());
    if (found.isEmpty())
        return;
    const bool ok = source().store().relocate(lesson, found);
    m_shell.trace().event("ownvideo", { { QStringLiteral("op"), QStringLiteral("relocate") }, { QStringLiteral("lesson"), lesson },
                                          { QStringLiteral("video"), found }, { QStringLiteral("ok"), ok } });
    if (!ok) {
        m_shell.showMessage(QStringLiteral("No se puede usar el vídeo «%1» para esta lección.").arg(found));
        return;
    }
    // After the activation the dialog's closing queued.
    QTimer::singleShot(0, this, [this, lesson] { m_shell.guarded([&] { m_host.play(lesson); }); });
}

bool OwnVideos::run(int accion, qint16 lesson)
{
    if (accion == AddVideoAction)
        addVideo();
    else if (accion == RemoveVideoAction && OwnLessons::isOwnLesson(lesson))
        removeLesson(lesson);
    return isOwnAction(accion);
}

AddVideoFlow& OwnVideos::flow()
{
    if (m_flow)
        return *m_flow;
    m_flow = new AddVideoFlow(m_shell, m_stage, m_shell.state().UserFolder);
    connect(m_flow, &AddVideoFlow::added, this, [this](qint16 lesson) {
        m_shell.guarded([&] {
            m_host.refreshTree();
            // Left meanwhile, or a take under way that keeps its lesson: the new one waits in the tree.
            if (m_stage.isVisible() && !m_host.isRecording())
                m_host.play(lesson);
        });
    });
    return *m_flow;
}

void OwnVideos::addVideo()
{
    if (m_host.isRecording())
        return;
    // The store lives in the learner folder: never anywhere else.
    if (m_shell.state().UserFolder.isEmpty()) {
        m_shell.showMessage(QStringLiteral("No se puede añadir un vídeo: no se sabe dónde guardas tus datos de este curso."));
        return;
    }
    m_host.stopMedia();
    flow().start();
}

void OwnVideos::removeLesson(qint16 lesson)
{
    const std::optional<OwnLessons::Lesson> own = source().lesson(lesson);
    if (!own || m_host.isRecording())
        return;
    const QString question = QStringLiteral("¿Quitar «%1» de Mis vídeos?\nSe borran tus grabaciones de esta lección; "
                                            "el vídeo y sus subtítulos se quedan donde están.")
                                 .arg(own->title);
    if (!m_shell.ask(question))
        return;
    // Its takes may be playing.
    m_host.stopMedia();
    const bool removed = source().store().remove(lesson);
    m_shell.trace().event("ownvideo", { { QStringLiteral("op"), QStringLiteral("remove") }, { QStringLiteral("lesson"), lesson },
                                          { QStringLiteral("removed"), removed } });
    const bool shownNow = m_shell.state().CurrentLesson == lesson;
    QTimer::singleShot(0, this, [this, shownNow] {
        m_shell.guarded([&] {
            m_host.refreshTree();
            if (shownNow && m_stage.isVisible())
                m_host.play(0);
        });
    });
}

void OwnVideos::attachMenu(CourseTree& tree)
{
    tree.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&tree, &QWidget::customContextMenuRequested, this, [this, t = QPointer<CourseTree>(&tree)](const QPoint& pos) {
        if (t)
            m_shell.guarded([&] { showMenu(*t, pos); });
    });
}

void OwnVideos::showMenu(CourseTree& tree, const QPoint& pos)
{
    if (m_host.isRecording())
        return;
    const QString key = CourseTree::key(tree.itemAt(pos));
    QMenu menu(&tree);
    menu.setObjectName(QStringLiteral("ownVideoMenu"));
    QAction* add = menu.addAction(QStringLiteral("Añadir un vídeo…"));
    QAction* remove = nullptr;
    qint16 lesson = 0;
    if (key.startsWith(QLatin1Char('N'))) {
        lesson = CourseTree::keyNumber(key);
        if (OwnLessons::isOwnLesson(lesson))
            remove = menu.addAction(QStringLiteral("Quitar de Mis vídeos…"));
    }
    QAction* chosen = menu.exec(tree.viewport()->mapToGlobal(pos));
    if (chosen && chosen == add)
        addVideo();
    else if (chosen && chosen == remove)
        removeLesson(lesson);
}
