#include "MediaPlayer.h"
#include "CourseError.h"
#include "Trace.h"
#include <QAudioOutput>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QMediaPlayer>
#include <QUrl>
#include <cmath>

MediaPlayer::MediaPlayer()
    : m_player(new QMediaPlayer(this)), m_audio(new QAudioOutput(this))
{
    m_player->setAudioOutput(m_audio);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus s) {
        if (s == QMediaPlayer::EndOfMedia) m_completion = true;
    });
}
MediaPlayer::~MediaPlayer() = default;
void MediaPlayer::note(const char* op, double value)
{
    if (m_trace) m_trace->event("sound", { { "channel", m_channel }, { "op", QString::fromLatin1(op) }, { "file", m_file }, { "value", value } });
}
void MediaPlayer::render(const QString& file)
{
    m_file = file;
    m_player->stop();
    m_player->setSource(QUrl::fromLocalFile(file));
    QElapsedTimer t; t.start();
    while (t.elapsed() < 2000 && (m_player->mediaStatus() == QMediaPlayer::LoadingMedia || m_player->mediaStatus() == QMediaPlayer::NoMedia))
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    if (m_player->mediaStatus() == QMediaPlayer::InvalidMedia || m_player->error() != QMediaPlayer::NoError)
        throw CourseError(QStringLiteral("sound %1 cannot be played").arg(file));
    m_state = State::Stopped; m_completion = false;
    note("render");
}
void MediaPlayer::clear() { m_player->stop(); m_player->setSource(QUrl()); m_file.clear(); m_state = State::Stopped; m_completion = false; }
void MediaPlayer::run() { if (m_file.isEmpty()) return; m_player->play(); m_state = State::Running; note("run"); }
void MediaPlayer::pause() { if (m_file.isEmpty()) return; m_player->pause(); m_state = State::Paused; note("pause"); }
void MediaPlayer::stop() { if (m_file.isEmpty()) return; m_player->stop(); m_state = State::Stopped; note("stop"); }
bool MediaPlayer::completed(int) { const bool c = m_completion; m_completion = false; return c; }
double MediaPlayer::position() const { return m_player->position() / 1000.0; }
void MediaPlayer::setPosition(double s) { m_player->setPosition(qint64(s * 1000)); if (m_state == State::Running) m_player->play(); note("rewind", s); }
double MediaPlayer::duration() const { return m_player->duration() / 1000.0; }
void MediaPlayer::setVolume(int v) { m_volume = v; m_audio->setVolume(float(std::pow(10.0, v / 2000.0))); note("volume", v); }
