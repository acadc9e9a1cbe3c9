#pragma once

#include <QObject>
#include <array>
#include <functional>

class Trace;

/// The one owner of the conversation screen's video, microphone and speakers. Whatever
/// starts to use them (the course's take and its playback, the video, every study aid)
/// claims them first: what runs and conflicts is ended cleanly, or the claim is refused.
/// A take the learner is recording is never ended by another use and never hears one:
/// until he stops it, whatever would make a sound is refused. A window laid over the
/// screen suspends it: the video pauses (the screen takes it back where it was), every
/// other use ends.
class MediaOwner : public QObject {
    Q_OBJECT

public:
    enum class Use {
        CourseTake,     ///< the course's own take being recorded
        CoursePlayback, ///< the course's take being heard
        Shadowing,      ///< a shadowing cycle (model, take, playback, model)
        SlowReplay,     ///< a phrase heard slowly
        SavedTake,      ///< a saved take being heard
        VideoRun,       ///< the video set running
        VideoMove,      ///< the video moved or paused, not run
        Count
    };
    /// How a use is looked at and ended.
    struct Tenant {
        std::function<bool()> running;
        std::function<void()> end;
    };

    explicit MediaOwner(Trace& trace, QObject* parent = nullptr);

    /// USE is looked at and ended through TENANT (the video's uses have none).
    void enrol(Use use, Tenant tenant);
    /// USE is about to start: what conflicts with it is ended first; false (nothing
    /// ended) when it is refused.
    bool claim(Use use);
    /// Whether USE runs now.
    bool isRunning(Use use) const;
    /// A window opens over the screen: every use but the video's ends (a take being
    /// recorded stops as its button stops it); the screen pauses the video itself.
    void suspend();
    /// The screen is left or shows another lesson: every use ends.
    void endAll();

    /// Whether a use of kind NEW refuses or ends a RUNNING one (the table the claims follow).
    enum class Outcome { Keeps, Ends, Refused };
    static Outcome conflict(Use running, Use wanted);

private:
    void end(Use use, const char* why);
    void endEvery(const char* why);

    Trace& m_trace;
    std::array<Tenant, size_t(Use::Count)> m_tenants {};
};
