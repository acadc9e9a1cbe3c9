#include "DiscReadPriority.h"

#include <QtGlobal>
#include <atomic>
#include <chrono>

namespace {

std::atomic<int> foregroundCopies { 0 };
std::atomic<qint64> lastReadMs { -1 };

qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

void DiscReadPriority::noteRead()
{
    lastReadMs = nowMs();
}

DiscReadPriority::Foreground::Foreground()
{
    ++foregroundCopies;
}

DiscReadPriority::Foreground::~Foreground()
{
    --foregroundCopies;
}

bool DiscReadPriority::isBusy()
{
    const qint64 last = lastReadMs;
    return foregroundCopies > 0 || (last >= 0 && nowMs() - last < HeldForMs);
}
