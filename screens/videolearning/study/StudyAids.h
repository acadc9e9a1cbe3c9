#pragma once

#include "PhraseTable.h"
#include "Intonation.h"
#include "ShadowingCycle.h"

#include <QJsonObject>
#include <QObject>
#include <functional>

class PhraseEndWatch;
class MediaPlayer;
class PhraseLoop;
class PhrasePause;
class RecorderDriver;
class SlowReplay;
class Trace;
class VideoPlayer;

/// The study aids of the conversation screen over its video and phrase table: pause
/// after each phrase, loop a phrase, slow replay, shadowing with saved takes, the
/// intonation compared. They act on their own action codes, which the
/// screen's buttons, keys and study strip all lead to.
class StudyAids : public QObject {
    Q_OBJECT

public:
    /// Action codes of the aids, beside the screen's own.
    enum Action {
        PauseAfterPhrase = 50, ///< pause after each phrase, on or off
        GoOn = 51,             ///< go on after a pause at a phrase's end
        LoopPhrase = 52,       ///< loop the current phrase, on or off
        LoopCount = 53,        ///< the next loop count (until stopped, 2, 3, 5, 10 times)
        SlowThreeQuarters = 54, ///< the current phrase again at 0.75 x, its pitch kept
        SlowHalf = 55,         ///< the current phrase again at 0.5 x, its pitch kept
        Shadow = 56,           ///< shadow the current phrase (model, take, take played, model), or stop it
        PlayNewestTake = 57,   ///< the newest saved take of the current phrase
        DeleteTakes = 58,      ///< delete the saved takes of the current phrase
        CompareIntonation = 59, ///< model and newest take of the current phrase drawn one above the other
    };
    /// What the learner is told when the phrase has no take to compare.
    static inline const QString NoTakeText = QStringLiteral("Esta frase no tiene ninguna grabación tuya: grábala antes con Eco (tecla H).");
    /// What the learner is told when a slow replay cannot be made.
    static inline const QString NoSlowReplayText = QStringLiteral("No se puede escuchar la frase despacio.");

    StudyAids(VideoPlayer& video, const PhraseTable& phrases, RecorderDriver& recorder, Trace& trace, ShadowingCycle::Hooks hooks,
        QObject* parent = nullptr);
    ~StudyAids() override;

    /// Runs action ACCION; false when it is not one of the aids'.
    bool run(int accion);
    /// Asked before an aid starts to use the video or the sound device (ACCION, a saved
    /// take heard from the list as PlayNewestTake); an aid refused does nothing.
    void setGate(std::function<bool(int accion)> gate) { m_gate = std::move(gate); }
    static bool isStudyAction(int accion);

    bool pauseAfterPhrase() const;
    /// The video holds at a phrase's end, waiting for the learner to go on.
    bool isWaiting() const;
    /// Whether go on plays the video: it holds, or it is paused while the pause is on.
    bool canGoOn() const;
    bool isLooping() const;
    /// Times a looped phrase is heard; 0 until stopped.
    int loopCount() const;

    /// The phrase the aids work on now: the one that just ended while the video holds
    /// at its end, otherwise the one under the position (the first before it).
    int studyPhrase() const;
    /// The phrase just heard: the one held while the video waits at its end, otherwise
    /// the one under the position to the millisecond; -1 before the first phrase.
    int heardPhrase() const;

    /// Ends whatever an aid is doing with the sound device or the video: shadowing, a slow
    /// replay, a take being heard (the screen is left, or shows another lesson).
    void stopAll();
    /// The lesson on show and the learner's folder, where his takes are kept.
    void setLesson(int lesson, const QString& userFolder);
    int lesson() const { return m_lesson; }
    const TakeStore& takes() const { return m_shadow->store(); }
    /// The saved takes of phrase INDEX, newest first.
    QStringList takesOf(int index) const;
    /// Plays the saved take FILE (the video pauses).
    void playTake(const QString& file);
    /// Deletes the saved takes of phrase INDEX.
    void deleteTakes(int index);
    /// The model (the video's sound over phrase INDEX) and the newest take of the phrase,
    /// analysed; false, MODEL and TAKE empty, when there is no take or no model sound.
    bool intonationOf(int index, Intonation& model, Intonation& take) const;

    PhraseEndWatch& watch() const { return *m_watch; }
    ShadowingCycle& shadowing() const { return *m_shadow; }
    MediaPlayer& takePlayer() const { return *m_takePlayer; }
    SlowReplay& slowReplay() const { return *m_slow; }

signals:
    /// Something the study strip shows has changed.
    void changed();
    /// An aid could not do what the learner asked; TEXT tells him (the trace has the reason).
    void problem(const QString& text);
    /// The saved takes of the lesson changed (a take saved or deleted).
    void takesChanged();
    /// The learner asked to compare the intonation of phrase INDEX.
    void intonationRequested(int index);

private:
    void phraseEnded(int index, qint64 lateMs);
    void updateWatch();
    void traceStudy(const char* op, QJsonObject fields = {}) const;

    VideoPlayer& m_video;
    const PhraseTable& m_phrases;
    Trace& m_trace;
    PhraseEndWatch* m_watch = nullptr;
    PhrasePause* m_pause = nullptr;
    PhraseLoop* m_loop = nullptr;
    SlowReplay* m_slow = nullptr;
    ShadowingCycle* m_shadow = nullptr;
    MediaPlayer* m_takePlayer = nullptr;
    /// The model's sound is analysed at the takes' rate.
    static constexpr int ModelRate = 48000;
    int m_lesson = 0;
    std::function<bool(int)> m_gate;
};
