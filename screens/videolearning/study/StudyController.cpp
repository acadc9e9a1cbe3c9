#include "StudyController.h"

#include "IntonationView.h"
#include "StudyAids.h"
#include "StudyHost.h"
#include "StudyKeys.h"
#include "StudyStrip.h"
#include "SubtitleWords.h"
#include "TakeMenu.h"
#include "TakeStore.h"
#include "Trace.h"
#include "VideoPlayer.h"

#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QWidget>

StudyController::StudyController(StudyHost& host, VideoPlayer& video, const PhraseTable& phrases, RecorderDriver& recorder, Trace& trace)
    : QObject(&host.stage())
    , m_host(host)
    , m_video(video)
    , m_trace(trace)
    , m_aids(new StudyAids(video, phrases, recorder, trace,
          { [this] { m_host.releaseSounds(); }, [this] { m_host.restartSounds(); }, [this](const QString& text) { m_host.tell(text); } }, this))
{
    connect(m_aids, &StudyAids::problem, this, [this](const QString& text) { m_host.tell(text); });
    connect(m_aids, &StudyAids::intonationRequested, this, &StudyController::showIntonation);
}

StudyController::~StudyController() = default;

void StudyController::build(QTextEdit* english, QListWidget& list, Database& content, const QString& userFolder, Buttons buttons)
{
    QWidget& stage = m_host.stage();
    // What a take cut short by a kill left behind goes before any take is listed.
    if (const int removed = TakeStore(userFolder).cleanLeftovers())
        m_trace.event("study", { { QStringLiteral("op"), QStringLiteral("leftovers") }, { QStringLiteral("removed"), removed } });
    if (english) {
        m_words = new SubtitleWords(*english, stage, content, m_trace);
        connect(m_words, &SubtitleWords::glossaryRequested, this, [this](const QString& term) { m_host.openGlossaryOn(term); });
    }
    m_list = &list;
    list.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&list, &QListWidget::customContextMenuRequested, this, [this](const QPoint& pos) { TakeMenu::popup(*m_list, *m_aids, pos); });
    connect(m_aids, &StudyAids::takesChanged, this, &StudyController::markTakes);
    // A course that gives the study aids no buttons gets the player's own strip.
    if (buttons == Buttons::None) {
        m_strip = new StudyStrip(*m_aids, &stage);
        connect(m_strip, &StudyStrip::actionClicked, this, [this](int accion) { m_host.runStudyAction(accion); });
    }
    m_intonation = new IntonationView(&stage);
    m_intonation->hide();
    m_keyList = new QLabel(StudyKeys::helpText(), &stage);
    m_keyList->setObjectName(QStringLiteral("keysHelp"));
    m_keyList->setFrameStyle(QFrame::Box);
    m_keyList->setAutoFillBackground(true);
    m_keyList->setMargin(6);
    m_keyList->setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    m_keyList->adjustSize();
    m_keyList->hide();
}

void StudyController::setLesson(int lesson, const QString& userFolder)
{
    m_aids->setLesson(lesson, userFolder);
}

void StudyController::markTakes()
{
    if (m_list)
        TakeMenu::mark(*m_list, *m_aids);
}

void StudyController::stop()
{
    m_aids->stopAll();
    if (m_intonation)
        m_intonation->hide();
    if (m_keyList)
        m_keyList->hide();
}

void StudyController::showIntonation(int index)
{
    Intonation model;
    Intonation take;
    if (!m_aids->intonationOf(index, model, take)) {
        m_host.tell(StudyAids::NoTakeText);
        return;
    }
    if (m_video.currentState() == VideoPlayer::Running)
        m_video.pause();
    m_intonation->setUtterances(std::move(model), std::move(take));
    // Over the video and the subtitles, where the learner looks.
    const QWidget& stage = m_host.stage();
    m_intonation->setGeometry(QRect(0, 0, std::min(stage.width(), 600), 260).translated(std::max(0, (stage.width() - 600) / 2), 40));
    m_intonation->raise();
    m_intonation->show();
}

void StudyController::toggleKeyList()
{
    const QWidget& stage = m_host.stage();
    m_keyList->move((stage.width() - m_keyList->width()) / 2, std::max(0, (stage.height() - m_keyList->height()) / 2));
    m_keyList->setVisible(!m_keyList->isVisible());
    m_keyList->raise();
}

void StudyController::placeStrip()
{
    if (!m_strip)
        return;
    const StudyHost::StripBounds bounds = m_host.stripBounds();
    m_strip->move(StudyStrip::placeFor(m_strip->size(), m_host.stage().size(), bounds.mustAvoid, bounds.shouldAvoid));
    m_strip->raise();
    m_strip->show();
}
