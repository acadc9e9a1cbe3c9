#include "StudyController.h"

#include "IntonationView.h"
#include "KeyList.h"
#include "MediaPlayer.h"
#include "ShadowingCycle.h"
#include "SlowReplay.h"
#include "StudyAids.h"
#include "StudyHost.h"
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

StudyController::StudyController(
    StudyHost& host, MediaOwner& media, VideoPlayer& video, const PhraseTable& phrases, RecorderDriver& recorder, Trace& trace)
    : QObject(&host.stage())
    , m_host(host)
    , m_media(media)
    , m_video(video)
    , m_trace(trace)
    , m_aids(new StudyAids(video, phrases, recorder, trace,
          { [this] { m_host.releaseSounds(); }, [this] { m_host.restartSounds(); }, [this](const QString& text) { m_host.tell(text); } }, this))
{
    connect(m_aids, &StudyAids::problem, this, [this](const QString& text) { m_host.tell(text); });
    connect(m_aids, &StudyAids::intonationRequested, this, &StudyController::showIntonation);
    connect(m_aids, &StudyAids::changed, this, &StudyController::aidsChanged);
    connect(&m_aids->slowReplay(), &SlowReplay::finished, this, &StudyController::aidsChanged);
    using Use = MediaOwner::Use;
    m_media.enrol(Use::Shadowing, { [this] { return m_aids->shadowing().isActive(); }, [this] { m_aids->shadowing().stop(); } });
    m_media.enrol(Use::SlowReplay, { [this] { return m_aids->slowReplay().isPlaying(); }, [this] { m_aids->slowReplay().stop(); } });
    m_media.enrol(Use::SavedTake,
        { [this] { return m_aids->takePlayer().state() == MediaPlayer::State::Running; }, [this] { m_aids->takePlayer().stop(); } });
    m_aids->setGate([this](int accion) {
        const std::optional<Use> use = useOf(accion);
        return !use || m_media.claim(*use);
    });
}

std::optional<MediaOwner::Use> StudyController::useOf(int accion) const
{
    using Use = MediaOwner::Use;
    switch (accion) {
    case StudyAids::GoOn:
        if (m_aids->canGoOn())
            return Use::VideoRun;
        break;
    case StudyAids::LoopPhrase:
        // Switched on over a video that does not play, the loop starts the phrase.
        if (!m_aids->isLooping())
            return Use::VideoRun;
        break;
    case StudyAids::SlowThreeQuarters:
    case StudyAids::SlowHalf: return Use::SlowReplay;
    case StudyAids::Shadow:
        if (!m_aids->shadowing().isActive())
            return Use::Shadowing;
        break;
    case StudyAids::PlayNewestTake: return Use::SavedTake;
    // The chart lies over the video, which pauses: what an aid plays ends.
    case StudyAids::CompareIntonation: return Use::VideoMove;
    default: break;
    }
    return std::nullopt;
}

bool StudyController::isOn(int accion) const
{
    switch (accion) {
    case StudyAids::PauseAfterPhrase: return m_aids->pauseAfterPhrase();
    case StudyAids::GoOn: return m_aids->isWaiting();
    case StudyAids::LoopPhrase: return m_aids->isLooping();
    case StudyAids::SlowThreeQuarters:
    case StudyAids::SlowHalf: return m_aids->slowReplay().isPlaying() && (m_aids->slowReplay().rate() < 0.6) == (accion == StudyAids::SlowHalf);
    case StudyAids::Shadow: return m_aids->shadowing().isActive();
    default: return false;
    }
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
    m_keyList = new KeyList(&stage);
}

void StudyController::setLesson(int lesson, const QString& userFolder)
{
    m_aids->setLesson(lesson, userFolder);
    // The chart compares a phrase of the lesson before.
    if (m_intonation)
        m_intonation->hide();
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
    m_keyList->fitTo(m_host.stage().size());
    m_keyList->setVisible(!m_keyList->isVisible());
    m_keyList->raise();
}

void StudyController::placeStrip()
{
    if (!m_strip)
        return;
    const StudyHost::StripBounds bounds = m_host.stripBounds();
    const auto place = [&] { return StudyStrip::placeFor(m_strip->size(), m_host.stage().size(), bounds.mustAvoid, bounds.shouldAvoid); };
    m_strip->setShape(StudyStrip::Shape::Whole);
    std::optional<QPoint> at = place();
    if (!at) {
        // No room beside the course's buttons and title: the keys still reach every aid.
        m_strip->setShape(StudyStrip::Shape::KeyHint);
        at = place();
    }
    m_trace.event("study", { { QStringLiteral("op"), QStringLiteral("strip") }, { QStringLiteral("shape"), m_strip->shape() == StudyStrip::Shape::Whole ? QStringLiteral("whole") : QStringLiteral("key-hint") },
                               { QStringLiteral("placed"), bool(at) } });
    if (!at) {
        m_strip->hide();
        return;
    }
    m_strip->move(*at);
    m_strip->raise();
    m_strip->show();
}
