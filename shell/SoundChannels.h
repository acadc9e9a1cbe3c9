#pragma once

#include "MediaPlayer.h"

#include <QString>

class Trace;
struct ModuleState;

/// The screen sounds: a background that loops while a screen is shown, a click for
/// buttons and hot spots, a sound for leaving a screen, and a channel for single sound
/// files. Each is its own player, so the sounds overlap. The players live as long as
/// the program; "creating" the channels stops them and empties them, which is what a
/// screen hears, without rebuilding a pipeline at every activation.
class SoundChannels {
public:
    enum class Channel { Background, Click, Change, Single };

    SoundChannels(ModuleState& state, Trace& trace);

    /// Silences and empties the background, click and change channels.
    void CreateSoundChannels();
    /// Loads the three sounds of the screen becoming active (`CurrentScreen`); starts nothing.
    void PlayScreenSound();
    void StopBackgroundSound();
    /// Silences and empties the three screen channels (before recording the learner's voice).
    void ReleaseSoundChannels();
    /// The sound upkeep of every screen tick: loops the background, rewinds a finished click.
    void SoundTimer();
    /// Loads NAME (relative to the course folder) on the single channel at `Volume`;
    /// the caller starts it. Throws CourseError naming a missing file; a file that cannot
    /// be played leaves the channel empty and silent (traced as a `sound` render error).
    void PlaySoundFile(const QString& name);

    void startBackground();
    void pauseBackground();
    /// Starts the background again from its beginning.
    void restartBackground();
    void startClickSound();
    void startChangeSound();

    /// Volume of the background channel in hundredths of a decibel (0 full).
    void setBackgroundVolume(int volume);
    int backgroundVolume() const;
    /// Whether the background channel runs, is paused or stopped.
    MediaPlayer::State backgroundState() const { return m_background.state(); }

    MediaPlayer& channel(Channel which);

private:
    /// Renders NAME on PLAYER; an empty name leaves the channel empty.
    void load(MediaPlayer& player, const QString& name);
    /// Renders FILE on PLAYER; a file that is there but cannot be played leaves it empty.
    void renderOrSilence(MediaPlayer& player, const QString& file);
    /// Runs OPERATION on PLAYER; a channel that fails stays silent and the trace says why.
    template<typename Operation>
    void quietly(MediaPlayer& player, Operation operation);

    ModuleState& m_state;
    Trace& m_trace;
    MediaPlayer m_background;
    MediaPlayer m_click;
    MediaPlayer m_change;
    MediaPlayer m_single;
};
