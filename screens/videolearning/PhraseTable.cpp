#include "PhraseTable.h"

#include <cmath>

namespace {

// Whole seconds, halves to even (the default rounding mode of the floating-point unit).
double wholeSeconds(double seconds)
{
    return std::nearbyint(seconds);
}

} // namespace

qint16 FindPhraseIndex(const PhraseTable& e, double& p)
{
    // A lesson without listed phrases has no entry 0 to compare with.
    if (e.empty())
        return -1;
    if (p * 1000 + 100 < e.front().mseg)
        return -1;
    p = wholeSeconds(p);
    const auto last = qint16(e.size() - 1);
    if (last == 0)
        return 0;
    for (qint16 i = last; i >= 0; --i) {
        if (wholeSeconds(e[size_t(i)].mseg / 1000.0) <= p)
            return i;
    }
    return 0;
}
