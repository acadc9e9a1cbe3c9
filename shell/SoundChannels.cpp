#include "SoundChannels.h"

#include "CourseError.h"
#include "ModuleState.h"
#include "Recordset.h"
#include "Trace.h"

#include <QFileInfo>
#include <QJsonObject>

namespace {

bool hasBackgroundChannel(int screen)
{
    // The carousel and the video-learning screen play their own sound track instead.
    return screen != 4 && screen != 12;
}

} // namespace

SoundChannels::SoundChannels(ModuleState& state, Trace& trace)
    : m_state(state)
    , m_trace(trace)
{
    m_background.setTrace(&trace, QStringLiteral("background"));
    m_click.setTrace(&trace, QStringLiteral("click"));
    m_change.setTrace(&trace, QStringLiteral("change"));
    m_single.setTrace(&trace, QStringLiteral("single"));
}

MediaPlayer& SoundChannels::channel(Channel which)
{
    switch (which) {
    case Channel::Background: return m_background;
    case Channel::Click: return m_click;
    case Channel::Change: return m_change;
    case Channel::Single: return m_single;
    }
    return m_single;
}

template<typename Operation>
void SoundChannels::quietly(MediaPlayer& player, Operation operation)
{
    try {
        operation(player);
    } catch (const CourseError& error) {
        m_trace.event("sound", { { QStringLiteral("channel"), player.channel() }, { QStringLiteral("op"), QStringLiteral("error") },
                                   { QStringLiteral("message"), error.message() } });
    }
}

void SoundChannels::CreateSoundChannels()
{
    for (MediaPlayer* player : { &m_background, &m_click, &m_change })
        player->release();
}

void SoundChannels::ReleaseSoundChannels()
{
    CreateSoundChannels();
}

void SoundChannels::load(MediaPlayer& player, const QString& name)
{
    if (name.trimmed().isEmpty())
        return;
    renderOrSilence(player, m_state.Folder.resolve(name));
}

void SoundChannels::renderOrSilence(MediaPlayer& player, const QString& file)
{
    // A file the course names and the disc lacks is the course's error. One that is there
    // but cannot be played (empty, cut short, not a sound, unreadable) leaves its channel
    // empty and silent, and the screen goes on: render has traced which file and why.
    try {
        player.render(file);
    } catch (const CourseError&) {
        if (!QFileInfo::exists(file))
            throw;
    }
}

void SoundChannels::PlayScreenSound()
{
    CreateSoundChannels();
    const int screen = m_state.CurrentScreen;
    auto rows = m_state.ContentDb->openRecordset(QStringLiteral("sonidospantalla"));
    const QString criterion = screen == 1
        ? QStringLiteral("codigopantalla = %1 and leccion = %2").arg(screen).arg(m_state.CurrentLesson)
        : QStringLiteral("codigopantalla = %1").arg(screen);
    if (!rows->findFirst(criterion)) {
        // A screen without sounds is silent rather than the end of the course.
        m_trace.event("sound.missing_row", { { QStringLiteral("screen"), screen }, { QStringLiteral("lesson"), m_state.CurrentLesson } });
        return;
    }
    if (hasBackgroundChannel(screen))
        load(m_background, rows->text(QStringLiteral("fondo")));
    load(m_click, rows->text(QStringLiteral("pulsacion")));
    if (hasBackgroundChannel(screen))
        m_background.setVolume(m_state.Volume);
    load(m_change, rows->text(QStringLiteral("cambiopantalla")));
}

void SoundChannels::StopBackgroundSound()
{
    quietly(m_background, [](MediaPlayer& p) { p.stop(); });
}

void SoundChannels::SoundTimer()
{
    // Never waits: each channel is asked with a time-out of 0.
    quietly(m_background, [](MediaPlayer& p) {
        if (p.completed(0))
            p.setPosition(0);
    });
    quietly(m_click, [](MediaPlayer& p) {
        if (p.completed(0)) {
            p.pause();
            p.setPosition(0);
        }
    });
}

void SoundChannels::PlaySoundFile(const QString& name)
{
    renderOrSilence(m_single, m_state.Folder.resolve(name));
    m_single.setVolume(m_state.Volume);
}

void SoundChannels::startBackground()
{
    quietly(m_background, [](MediaPlayer& p) { p.run(); });
}

void SoundChannels::pauseBackground()
{
    quietly(m_background, [](MediaPlayer& p) { p.pause(); });
}

void SoundChannels::restartBackground()
{
    quietly(m_background, [](MediaPlayer& p) {
        p.setPosition(0);
        p.run();
    });
}

void SoundChannels::startClickSound()
{
    quietly(m_click, [](MediaPlayer& p) { p.run(); });
}

void SoundChannels::startChangeSound()
{
    quietly(m_change, [](MediaPlayer& p) { p.run(); });
}

void SoundChannels::setBackgroundVolume(int volume)
{
    m_background.setVolume(volume);
}

int SoundChannels::backgroundVolume() const
{
    return m_background.volume();
}
