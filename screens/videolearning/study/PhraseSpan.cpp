#include "PhraseSpan.h"

#include <algorithm>

PhraseSpan phraseSpan(const PhraseTable& phrases, int index, qint64 videoMs)
{
    if (index < 0 || index >= int(phrases.size()))
        return {};
    const qint64 start = phrases[size_t(index)].mseg;
    qint64 end = index + 1 < int(phrases.size()) ? std::min<qint64>(phrases[size_t(index) + 1].mseg, videoMs) : videoMs;
    // A phrase whose cue ends earlier ends there: the silence after it is no part of it.
    if (const qint64 own = phrases[size_t(index)].endMs; own > start)
        end = std::min(end, own);
    if (end <= start)
        return {};
    return { start, end };
}

int phraseAt(const PhraseTable& phrases, qint64 positionMs)
{
    const auto after = std::upper_bound(phrases.cbegin(), phrases.cend(), positionMs,
        [](qint64 ms, const PhraseEntry& entry) { return ms < entry.mseg; });
    return int(after - phrases.cbegin()) - 1;
}
