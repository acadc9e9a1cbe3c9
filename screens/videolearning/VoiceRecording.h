#pragma once

#include <QObject>
#include <QPixmap>
#include <QString>
#include <array>
#include <functional>

class FramedScreen;
class QTimer;
class RecorderDriver;
class Shell;
class WaveRecorder;

/// The learner's whole take on the conversation screen: the record button starts and
/// stops it through the recorder `mm`, the record indicator blinks meanwhile, the play
/// button plays it back; the screen's other sounds are released while the device is
/// busy and come back afterwards. One take at a time, kept by the recorder until the
/// next take (the course's or a shadowing one) closes it.
class VoiceRecording : public QObject {
    Q_OBJECT

public:
    /// What the screen does for a take: stop its video, start its sounds again, load a picture.
    struct Hooks {
        std::function<void()> stopVideo;
        std::function<void()> startScreenSounds;
        std::function<QPixmap(const QString&)> loadPicture;
    };

    /// The recorder's fixed files, as the course names them.
    static inline const QString TakeFile = QStringLiteral("c:\\lurva\\sir2.wav");
    static inline const QString StoppedTakeFile = QStringLiteral("c:\\lurva\\sir.wav");
    /// What the learner is told when no take can be made.
    static inline const QString NoRecordingText = QStringLiteral("No se puede grabar: no hay micrófono o no se puede usar.");
    /// Blink period of the record indicator.
    static constexpr int BlinkMs = 100;

    VoiceRecording(Shell& shell, FramedScreen& screen, RecorderDriver& driver, Hooks hooks);
    ~VoiceRecording() override;

    bool isRecording() const { return m_recording; }
    /// A take was made and is still in the recorder.
    bool hasTake() const;
    bool isPlayingTake() const { return m_playingTake; }
    bool blinkPhase() const { return m_blinkPhase; }
    WaveRecorder& recorder() const;

    /// The indicator button (0: the screen has none) and the two pictures it blinks between.
    void setIndicator(int index) { m_indicator = index; }
    int indicator() const { return m_indicator; }
    void setIndicatorPictures(const std::array<QString, 2>& pictures) { m_indicatorPictures = pictures; }

    /// The screen was shown afresh: no take, not recording, the indicator disabled.
    void reset();
    /// The indicator's action: starts a take, or stops the one under way.
    void toggle();
    /// Plays the take back, when one was made and none is being recorded.
    void playTake();
    /// Ends a take under way, as its stop does (the screen is left meanwhile).
    void stopIfRecording();
    /// Ends a take being heard, its end reported as a playback cut short.
    void stopPlaying();

private:
    void StartTake();
    void StopTake();
    void CopiarArchivoSonido();
    void Blink();
    void RecorderDone(int code);

    Shell& m_shell;
    FramedScreen& m_screen;
    RecorderDriver& m_driver;
    Hooks m_hooks;
    QTimer* m_blinkTimer = nullptr;
    std::array<QString, 2> m_indicatorPictures;
    int m_indicator = 0;
    // State of the take, as the course keeps it.
    bool m_recording = false;
    bool m_takeMade = false;
    bool m_playingTake = false;
    bool m_blinkPhase = false;
};
