#pragma once

#include <QObject>
#include <QString>

class Trace;
class WaveRecorder;

/// The one driver of the conversation screen's recorder `mm`: the course's own take and
/// the shadowing cycle both record and play their takes through it, never at once. It
/// knows whose take it holds, so that a take is never played back as another's.
class RecorderDriver : public QObject {
    Q_OBJECT

public:
    enum class Holder { None, CourseTake, Shadowing };
    enum class Wait { No, Yes };

    explicit RecorderDriver(Trace& trace, QObject* parent = nullptr);

    WaveRecorder& recorder() const { return *m_recorder; }
    /// Whose take is in the recorder (None once it has been closed).
    Holder holder() const { return m_holder; }
    bool isRecording() const;

    /// Drops whatever the recorder holds, and a take under way unwritten.
    void close();
    /// Records HOLDER's take into FILE over whatever the recorder held; the reason when it
    /// cannot (the recorder closed then), empty when it records.
    QString record(Holder holder, const QString& file);
    /// Ends the take under way and writes it; false when it could not be written.
    bool stop();
    /// Plays the take from its start; done() follows when it has been heard.
    void playBack(Wait wait);

signals:
    /// The recorder finished a command asked with notify: HOLDER's take played back (CODE
    /// as WaveRecorder::done gives it).
    void done(RecorderDriver::Holder holder, int code);

private:
    WaveRecorder* m_recorder = nullptr;
    Holder m_holder = Holder::None;
};
