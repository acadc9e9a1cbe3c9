#include "PhrasePairing.h"

#include <algorithm>
#include <cstdlib>

namespace {

qint64 overlap(qint64 startA, qint64 endA, qint64 startB, qint64 endB)
{
    return std::max<qint64>(0, std::min(endA, endB) - std::max(startA, startB));
}

// The phrases of one language alone: cues starting together joined.
QList<PairedPhrase> phrasesOf(const SubtitleCues& cues, QString PairedPhrase::*place)
{
    QList<PairedPhrase> phrases;
    for (const SubtitleCue& cue : cues) {
        if (!phrases.isEmpty() && phrases.last().startMs == cue.startMs) {
            PairedPhrase& last = phrases.last();
            last.endMs = std::max(last.endMs, cue.endMs);
            last.*place += QLatin1Char(' ') + cue.text;
            continue;
        }
        PairedPhrase phrase { cue.startMs, cue.endMs, {}, {} };
        phrase.*place = cue.text;
        phrases << phrase;
    }
    return phrases;
}

// Among ITEMS in start order, none lasting more than LONGEST, the one that overlaps
// [START, END) most, of equals the one starting nearest START; -1 when none does.
template <typename Items>
qsizetype mostOverlapping(const Items& items, qint64 longest, qint64 start, qint64 end)
{
    // Only an item starting after START - LONGEST can end after START.
    const auto first = std::lower_bound(items.begin(), items.end(), start - longest,
        [](const auto& item, qint64 at) { return item.startMs <= at; });
    qsizetype best = -1;
    qint64 most = 0;
    qint64 nearest = 0;
    for (auto it = first; it != items.end() && it->startMs < end; ++it) {
        const qint64 shared = overlap(start, end, it->startMs, it->endMs);
        const qint64 distance = std::abs(it->startMs - start);
        if (shared > most || (shared == most && shared > 0 && distance < nearest)) {
            most = shared;
            nearest = distance;
            best = qsizetype(it - items.begin());
        }
    }
    return best;
}

template <typename Items>
qint64 longestOf(const Items& items)
{
    qint64 longest = 0;
    for (const auto& item : items)
        longest = std::max(longest, item.endMs - item.startMs);
    return longest;
}

} // namespace

namespace PhrasePairing {

QList<PairedPhrase> pair(const SubtitleCues& english, const SubtitleCues& spanish)
{
    if (english.isEmpty())
        return phrasesOf(spanish, &PairedPhrase::spanish);
    QList<PairedPhrase> phrases = phrasesOf(english, &PairedPhrase::english);
    if (spanish.isEmpty())
        return phrases;

    // Each Spanish cue goes to the phrase it overlaps most.
    QList<QStringList> taken(phrases.size());
    const qint64 longestPhrase = longestOf(phrases);
    for (const SubtitleCue& cue : spanish) {
        if (const qsizetype p = mostOverlapping(phrases, longestPhrase, cue.startMs, cue.endMs); p >= 0)
            taken[p] << cue.text;
    }
    // A phrase that took none shows the Spanish cue that overlaps it most.
    const qint64 longestSpanish = longestOf(spanish);
    for (qsizetype p = 0; p < phrases.size(); ++p) {
        PairedPhrase& phrase = phrases[p];
        if (!taken.at(p).isEmpty())
            phrase.spanish = taken.at(p).join(QLatin1Char(' '));
        else if (const qsizetype s = mostOverlapping(spanish, longestSpanish, phrase.startMs, phrase.endMs); s >= 0)
            phrase.spanish = spanish.at(s).text;
    }
    return phrases;
}

} // namespace PhrasePairing
