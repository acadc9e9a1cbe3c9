#pragma once

#include <thread>

/// The sound system's slow first steps, taken on a thread of its own while the program
/// makes its application, opens its course and shows its window: GStreamer's plugin
/// registry, and the plugins that the first audio output (its list of devices) and the
/// first sound will load. The first player on the user-interface thread then finds them
/// ready instead of loading them in turn. Waited for when the program ends.
class MediaWarmUp {
public:
    MediaWarmUp();
    ~MediaWarmUp();
    MediaWarmUp(const MediaWarmUp&) = delete;
    MediaWarmUp& operator=(const MediaWarmUp&) = delete;

private:
    std::thread m_thread;
};
