#pragma once

#include "PhraseSpan.h"
#include "TakeStore.h"

#include <QJsonObject>
#include <QObject>
#include <functional>

class QTimer;
class RecorderDriver;
class Trace;
class VideoPlayer;

/// Shadowing one phrase: the model plays (the video over the phrase's span), then the
/// microphone records for the phrase's length plus ExtraRecordMs, then the take plays
/// back, then the model once more. The take is saved in the learner's TakeStore; one
/// that cannot be saved is still played back, and the learner is told once.
class ShadowingCycle : public QObject {
    Q_OBJECT

public:
    enum class Phase { Idle, Model, Recording, Playback, ModelAgain };
    /// Beyond the phrase's length, how long the learner has to say it.
    static constexpr int ExtraRecordMs = 1000;
    /// What the learner is told, once, when his takes cannot be saved; the reason follows.
    static inline const QString NoSaveText = QStringLiteral("No se puede guardar la grabación: ");

    /// What the screen does around the cycle: free its sounds while the device records
    /// or plays a take, take them back, tell the learner something.
    struct Hooks {
        std::function<void()> releaseSounds;
        std::function<void()> restartSounds;
        std::function<void(const QString&)> tell;
    };

    /// The takes are recorded and played through DRIVER, the screen's one recorder.
    ShadowingCycle(VideoPlayer& video, RecorderDriver& driver, Trace& trace, Hooks hooks, QObject* parent = nullptr);
    ~ShadowingCycle() override;

    void setStore(const TakeStore& store) { m_store = store; }
    const TakeStore& store() const { return m_store; }

    /// Starts the cycle on phrase INDEX (start MSEG) of LESSON lying at SPAN.
    void start(int lesson, int index, qint32 mseg, const PhraseSpan& span);
    /// Ends the cycle wherever it is; a take being recorded is dropped.
    void stop();
    Phase phase() const { return m_phase; }
    bool isActive() const { return m_phase != Phase::Idle; }
    int phrase() const { return m_index; }
    /// The file of the last take saved, empty when none was.
    QString lastTake() const { return m_lastTake; }
    RecorderDriver& recorder() const { return m_driver; }

    /// Phrase INDEX has ended: the cycle's model heard through, when it is its phrase.
    bool phraseEnded(int index);

signals:
    void phaseChanged(ShadowingCycle::Phase phase);
    /// A take was saved as PATH.
    void takeSaved(const QString& path);

private:
    void setPhase(Phase phase);
    void playModel();
    void record();
    void stopRecording();
    void playBack();
    void finish();
    void trace(const char* op, const QJsonObject& fields = {}) const;

    VideoPlayer& m_video;
    Trace& m_trace;
    Hooks m_hooks;
    RecorderDriver& m_driver;
    TakeStore m_store;
    QTimer* m_recordTimer = nullptr;
    Phase m_phase = Phase::Idle;
    int m_lesson = 0;
    int m_index = -1;
    qint32 m_mseg = 0;
    PhraseSpan m_span;
    QString m_lastTake;
    bool m_soundsReleased = false;
    bool m_toldNoSave = false;
};
