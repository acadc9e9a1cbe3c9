#include "MediaOwner.h"

#include "Trace.h"

#include <QJsonObject>

namespace {

const char* nameOf(MediaOwner::Use use)
{
    static const char* const names[] = { "course-take", "course-playback", "shadowing", "slow-replay", "saved-take", "video-run", "video-move" };
    return names[size_t(use)];
}

} // namespace

MediaOwner::MediaOwner(Trace& trace, QObject* parent)
    : QObject(parent)
    , m_trace(trace)
{
}

void MediaOwner::enrol(Use use, Tenant tenant)
{
    m_tenants[size_t(use)] = std::move(tenant);
}

bool MediaOwner::isRunning(Use use) const
{
    const Tenant& tenant = m_tenants[size_t(use)];
    return tenant.running && tenant.running();
}

MediaOwner::Outcome MediaOwner::conflict(Use running, Use wanted)
{
    if (running == wanted)
        return Outcome::Keeps; // each use decides itself what a second start means
    if (running == Use::CourseTake) {
        // Only moving or pausing the video leaves the learner's take as it is.
        return wanted == Use::VideoMove ? Outcome::Keeps : Outcome::Refused;
    }
    if (running == Use::CoursePlayback)
        return wanted == Use::VideoMove ? Outcome::Keeps : Outcome::Ends;
    // The aids' sounds and cycles give way to anything else the learner starts.
    return Outcome::Ends;
}

bool MediaOwner::claim(Use wanted)
{
    for (size_t i = 0; i < m_tenants.size(); ++i) {
        const auto running = Use(i);
        if (isRunning(running) && conflict(running, wanted) == Outcome::Refused) {
            m_trace.event("media", { { QStringLiteral("op"), QStringLiteral("refused") }, { QStringLiteral("use"), QString::fromLatin1(nameOf(wanted)) },
                                       { QStringLiteral("running"), QString::fromLatin1(nameOf(running)) } });
            return false;
        }
    }
    for (size_t i = 0; i < m_tenants.size(); ++i) {
        const auto running = Use(i);
        if (isRunning(running) && conflict(running, wanted) == Outcome::Ends)
            end(running, nameOf(wanted));
    }
    return true;
}

void MediaOwner::suspend()
{
    endEvery("overlay");
}

void MediaOwner::endAll()
{
    endEvery("leave");
}

void MediaOwner::endEvery(const char* why)
{
    for (size_t i = 0; i < m_tenants.size(); ++i) {
        if (isRunning(Use(i)))
            end(Use(i), why);
    }
}

void MediaOwner::end(Use use, const char* why)
{
    m_trace.event("media", { { QStringLiteral("op"), QStringLiteral("end") }, { QStringLiteral("use"), QString::fromLatin1(nameOf(use)) },
                               { QStringLiteral("by"), QString::fromLatin1(why) } });
    m_tenants[size_t(use)].end();
}
