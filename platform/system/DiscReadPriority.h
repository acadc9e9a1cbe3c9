#pragma once

/// Which reads of disc images go first. A medium as slow as a USB stick or an optical
/// drive gives a copy made in the background all it can, so that a video played off the
/// image, or a small file the window waits for, would wait behind it: reads somebody
/// waits for are noted here, and background copies hold back while there are any.
namespace DiscReadPriority {

/// A read somebody waits for has just been made (a video or sound played off the image).
void noteRead();

/// Marks the thread's work as a read somebody waits for for as long as it lives (a copy
/// the window waits for).
class Foreground {
public:
    Foreground();
    ~Foreground();
    Foreground(const Foreground&) = delete;
    Foreground& operator=(const Foreground&) = delete;
};

/// Whether a background copy is to hold back now: a read somebody waits for is under
/// way, or was made within the last HeldForMs milliseconds (a stream reads in bursts).
bool isBusy();

/// How long after a read somebody waited for background copies still hold back.
constexpr int HeldForMs = 250;

} // namespace DiscReadPriority
