#include "StudyAids.h"

#include "PhraseEndWatch.h"
#include "PhraseLoop.h"
#include "PhrasePause.h"
#include "PhraseSpan.h"
#include "MediaPlayer.h"
#include "SoundTrackReader.h"
#include "SlowReplay.h"
#include "Trace.h"
#include "VideoPlayer.h"

#include <QJsonObject>
#include <cmath>

StudyAids::StudyAids(VideoPlayer& video, const PhraseTable& phrases, RecorderDriver& recorder, Trace& trace, ShadowingCycle::Hooks hooks,
    QObject* parent)
    : QObject(parent)
    , m_video(video)
    , m_phrases(phrases)
    , m_trace(trace)
    , m_watch(new PhraseEndWatch(video, phrases, this))
    , m_pause(new PhrasePause(video, this))
    , m_loop(new PhraseLoop(video, this))
    , m_slow(new SlowReplay(video, trace, this))
    , m_shadow(new ShadowingCycle(video, recorder, trace, std::move(hooks), this))
    , m_takePlayer(new MediaPlayer(this))
{
    connect(m_shadow, &ShadowingCycle::phaseChanged, this, [this] {
        updateWatch();
        emit changed();
    });
    connect(m_shadow, &ShadowingCycle::takeSaved, this, &StudyAids::takesChanged);
    // The learner plays the video: a saved take being heard gives way.
    connect(&m_video, &VideoPlayer::stateChange, this, [this](int, int state) {
        if (state == VideoPlayer::Running)
            m_takePlayer->stop();
    });
    connect(m_slow, &SlowReplay::failed, this, [this] { emit problem(NoSlowReplayText); });
    connect(m_slow, &SlowReplay::finished, this, [this] {
        traceStudy("slow-end", { { QStringLiteral("rate"), m_slow->rate() } });
        emit changed();
    });
    connect(m_watch, &PhraseEndWatch::phraseEnded, this, &StudyAids::phraseEnded);
    connect(&m_video, &VideoPlayer::stateChange, this, &StudyAids::changed);
    // A move ends the hold: go on no longer shows lit.
    connect(&m_video, &VideoPlayer::positionSet, this, &StudyAids::changed);
}

StudyAids::~StudyAids() = default;

bool StudyAids::isStudyAction(int accion)
{
    return accion >= PauseAfterPhrase && accion <= CompareIntonation;
}

bool StudyAids::pauseAfterPhrase() const { return m_pause->isOn(); }
bool StudyAids::isWaiting() const { return m_pause->isWaiting(); }
bool StudyAids::canGoOn() const { return m_pause->canGoOn(); }
bool StudyAids::isLooping() const { return m_loop->isOn(); }
int StudyAids::loopCount() const { return m_loop->count(); }

int StudyAids::studyPhrase() const
{
    if (m_phrases.empty())
        return -1;
    return std::max(0, heardPhrase());
}

int StudyAids::heardPhrase() const
{
    if (m_pause->isWaiting())
        return m_pause->heldPhrase();
    return phraseAt(m_phrases, qint64(std::llround(m_video.position() * 1000.0)));
}

bool StudyAids::run(int accion)
{
    if (!isStudyAction(accion))
        return false;
    if (m_gate && !m_gate(accion)) {
        traceStudy("refused", { { QStringLiteral("accion"), accion } });
        return true;
    }
    switch (accion) {
    case PauseAfterPhrase:
        m_pause->setOn(!m_pause->isOn());
        traceStudy("pause-after", { { QStringLiteral("on"), m_pause->isOn() } });
        break;
    case GoOn:
        if (m_pause->goOn())
            traceStudy("go-on", { { QStringLiteral("position"), m_video.position() } });
        break;
    case LoopPhrase: {
        const int phrase = studyPhrase();
        m_loop->setOn(!m_loop->isOn());
        traceStudy("loop", { { QStringLiteral("on"), m_loop->isOn() }, { QStringLiteral("count"), m_loop->count() }, { QStringLiteral("index"), phrase } });
        // Switched on over a video that does not play, the loop starts the phrase afresh.
        if (m_loop->isOn() && phrase >= 0 && m_video.currentState() != VideoPlayer::Running) {
            updateWatch();
            m_loop->start(phrase, phraseSpan(m_phrases, phrase, qint64(std::llround(m_video.duration() * 1000.0))));
        }
        break;
    }
    case LoopCount:
        m_loop->nextCount();
        traceStudy("loop-count", { { QStringLiteral("count"), m_loop->count() } });
        break;
    case SlowThreeQuarters:
    case SlowHalf: {
        const int phrase = studyPhrase();
        const double rate = accion == SlowHalf ? 0.5 : 0.75;
        const PhraseSpan span = phraseSpan(m_phrases, phrase, qint64(std::llround(m_video.duration() * 1000.0)));
        traceStudy("slow", { { QStringLiteral("index"), phrase }, { QStringLiteral("rate"), rate }, { QStringLiteral("start"), span.startMs },
                               { QStringLiteral("end"), span.endMs } });
        if (phrase >= 0 && span.isValid())
            m_slow->play(phrase, span, rate);
        break;
    }
    case Shadow: {
        if (m_shadow->isActive()) {
            m_shadow->stop();
            break;
        }
        const int phrase = studyPhrase();
        if (phrase < 0)
            break;
        m_shadow->start(m_lesson, phrase, m_phrases[size_t(phrase)].mseg,
            phraseSpan(m_phrases, phrase, qint64(std::llround(m_video.duration() * 1000.0))));
        break;
    }
    case PlayNewestTake: {
        const QStringList saved = takesOf(studyPhrase());
        if (saved.isEmpty())
            emit problem(NoTakeText);
        else
            playTake(saved.front());
        break;
    }
    case DeleteTakes: deleteTakes(studyPhrase()); break;
    case CompareIntonation:
        if (takesOf(studyPhrase()).isEmpty()) {
            emit problem(NoTakeText);
            break;
        }
        emit intonationRequested(studyPhrase());
        break;
    default: return false;
    }
    updateWatch();
    emit changed();
    return true;
}

void StudyAids::updateWatch()
{
    m_watch->setActive(m_pause->isOn() || m_loop->isOn() || m_shadow->isActive());
}

void StudyAids::stopAll()
{
    m_shadow->stop();
    m_slow->stop();
    m_takePlayer->stop();
}

void StudyAids::setLesson(int lesson, const QString& userFolder)
{
    stopAll();
    m_lesson = lesson;
    m_shadow->setStore(TakeStore(userFolder));
}

QStringList StudyAids::takesOf(int index) const
{
    if (index < 0 || index >= int(m_phrases.size()))
        return {};
    return m_shadow->store().takes(m_lesson, m_phrases[size_t(index)].mseg);
}

void StudyAids::playTake(const QString& file)
{
    if ((m_gate && !m_gate(PlayNewestTake)) || m_shadow->isActive())
        return;
    if (m_video.currentState() == VideoPlayer::Running)
        m_video.pause();
    m_takePlayer->render(file);
    m_takePlayer->run();
    traceStudy("take-play", { { QStringLiteral("file"), file } });
}

bool StudyAids::intonationOf(int index, Intonation& model, Intonation& take) const
{
    model = {};
    take = {};
    const QStringList saved = takesOf(index);
    const PhraseSpan span = phraseSpan(m_phrases, index, qint64(std::llround(m_video.duration() * 1000.0)));
    if (saved.isEmpty() || !span.isValid())
        return false;
    int rate = 0;
    std::vector<float> takeSamples = Intonation::readWave(saved.front(), rate);
    QString why;
    std::vector<float> modelSamples = SoundTrackReader::read(m_video.fileName(), span.startSeconds(), span.endSeconds(), ModelRate, &why);
    traceStudy("intonation", { { QStringLiteral("index"), index }, { QStringLiteral("take"), saved.front() },
                                 { QStringLiteral("modelSamples"), qint64(modelSamples.size()) }, { QStringLiteral("error"), why } });
    if (takeSamples.empty() || modelSamples.empty())
        return false;
    model = Intonation::analyse(std::move(modelSamples), ModelRate);
    take = Intonation::analyse(std::move(takeSamples), rate);
    if (!model.error.isEmpty())
        traceStudy("intonation", { { QStringLiteral("index"), index }, { QStringLiteral("error"), model.error } });
    return true;
}

void StudyAids::deleteTakes(int index)
{
    if (index < 0 || index >= int(m_phrases.size()))
        return;
    m_takePlayer->stop();
    const bool removed = m_shadow->store().removeTakes(m_lesson, m_phrases[size_t(index)].mseg);
    traceStudy("takes-deleted", { { QStringLiteral("index"), index }, { QStringLiteral("removed"), removed } });
    emit takesChanged();
}

void StudyAids::phraseEnded(int index, qint64 lateMs)
{
    const bool cycleEnds = m_shadow->phase() == ShadowingCycle::Phase::ModelAgain;
    if (m_shadow->phraseEnded(index)) {
        // The cycle ends on the phrase shadowed: the video holds there, a little past its
        // end, and the subtitles, the list and the keys stay on it.
        if (cycleEnds && !m_shadow->isActive()) {
            m_pause->hold(index);
            emit changed();
        }
        return;
    }
    const PhraseSpan span = phraseSpan(m_phrases, index, qint64(std::llround(m_video.duration() * 1000.0)));
    switch (m_loop->phraseEnded(index, span)) {
    case PhraseLoop::Outcome::Repeated:
        traceStudy("repeat", { { QStringLiteral("index"), index }, { QStringLiteral("heard"), m_loop->heard() }, { QStringLiteral("late"), lateMs } });
        return;
    case PhraseLoop::Outcome::Finished:
        // Heard as often as asked: the video holds at the phrase's end.
        m_pause->hold(index);
        traceStudy("loop-done", { { QStringLiteral("index"), index }, { QStringLiteral("late"), lateMs } });
        updateWatch();
        emit changed();
        return;
    case PhraseLoop::Outcome::NotLooping: break;
    }
    // The last phrase ends with the video, which stops there by itself.
    if (index + 1 >= int(m_phrases.size()))
        return;
    if (m_pause->phraseEnded(index)) {
        traceStudy("paused", { { QStringLiteral("index"), index }, { QStringLiteral("late"), lateMs },
                                 { QStringLiteral("position"), m_video.position() } });
        emit changed();
    }
}

void StudyAids::traceStudy(const char* op, QJsonObject fields) const
{
    fields.insert(QStringLiteral("op"), QString::fromLatin1(op));
    m_trace.event("study", fields);
}
