#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QAudioOutput;
class QMediaPlayer;
class Trace;

/// A sound player: render a file, run, pause, stop, poll for completion, position, volume.
class MediaPlayer : public QObject {
    Q_OBJECT
public:
    enum class State { Stopped, Paused, Running };
    MediaPlayer();
    ~MediaPlayer() override;
    void setTrace(Trace* trace, const QString& channel) { m_trace = trace; m_channel = channel; }
    QString channelName() const { return m_channel; }
    void render(const QString& file);
    void clear();
    void run();
    void pause();
    void stop();
    State state() const { return m_state; }
    bool completed(int timeoutMs);
    double position() const;
    void setPosition(double seconds);
    double duration() const;
    void setVolume(int hundredthsOfDb);
    int volume() const { return m_volume; }
private:
    void note(const char* op, double value = 0);
    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_audio = nullptr;
    Trace* m_trace = nullptr;
    QString m_channel;
    QString m_file;
    State m_state = State::Stopped;
    bool m_completion = false;
    int m_volume = 0;
};
