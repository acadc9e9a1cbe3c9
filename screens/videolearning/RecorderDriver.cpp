#include "RecorderDriver.h"

#include "WaveRecorder.h"

RecorderDriver::RecorderDriver(Trace& trace, QObject* parent)
    : QObject(parent)
    , m_recorder(new WaveRecorder(this))
{
    m_recorder->setTrace(&trace);
    connect(m_recorder, &WaveRecorder::done, this, [this](int code) { emit done(m_holder, code); });
}

bool RecorderDriver::isRecording() const
{
    return m_recorder->mode() == WaveRecorder::Mode::Recording;
}

void RecorderDriver::close()
{
    m_recorder->setCommand(QStringLiteral("close"));
    m_holder = Holder::None;
}

QString RecorderDriver::record(Holder holder, const QString& file)
{
    close();
    m_recorder->setFileName(file);
    m_recorder->setCommand(QStringLiteral("open"));
    if (m_recorder->error() == 0)
        m_recorder->setCommand(QStringLiteral("record"));
    if (m_recorder->error() != 0) {
        const QString why = m_recorder->errorString();
        close();
        return why.isEmpty() ? QStringLiteral("the recorder failed") : why;
    }
    m_holder = holder;
    return {};
}

bool RecorderDriver::stop()
{
    m_recorder->setCommand(QStringLiteral("stop"));
    return m_recorder->error() == 0;
}

void RecorderDriver::playBack(Wait wait)
{
    m_recorder->setCommand(QStringLiteral("Prev"));
    m_recorder->setNotify(true);
    m_recorder->setWait(wait == Wait::Yes);
    m_recorder->setCommand(QStringLiteral("Play"));
}
