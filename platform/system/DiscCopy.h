#pragma once

#include <QString>
#include <functional>

/// Copies out of a disc image without freezing the window: on the application's thread
/// the copy runs in a thread of its own while that thread goes on with its events (user
/// input held back until it is done, as while a sound loads), and a copy that takes more
/// than a second has its progress shown. Elsewhere the copy simply runs.
class DiscCopy {
public:
    /// Tells how far a copy is: DONE of TOTAL bytes of WHAT; DONE == TOTAL once it ended.
    using Shown = std::function<void(const QString& what, qint64 done, qint64 total)>;
    /// The work: copies, telling its progress (bytes done) as it goes; throws CourseError.
    using Work = std::function<void(const std::function<void(qint64 done)>& progress)>;

    /// Where progress is shown (the player's window installs it); none by default.
    static void setShown(Shown shown);
    /// Where progress is shown; empty when nowhere.
    static const Shown& shown();

    /// Whether a long run shows its progress (a copy off a disc does; other long work run
    /// the same way, such as converting a sound, only keeps the window answering).
    enum class Show { Progress, Nothing };

    /// Runs WORK for WHAT (TOTAL bytes). Rethrows what the work threw. The work counts as
    /// a read somebody waits for (DiscReadPriority): copies in the background hold back.
    static void run(const QString& what, qint64 total, const Work& work, Show show = Show::Progress);

    /// A copy is shown once it has taken this long.
    static constexpr int ShowAfterMs = 1000;
};
