#include "PhraseTable.h"

#include "Database.h"
#include "Recordset.h"

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

PhraseTable coursePhrases(Database& content, qint16 lesson, bool hasIntro)
{
    auto rows = content.openRecordset(QStringLiteral("select * from video_apren where n_leccion = %1 order by mseg").arg(lesson));
    if (hasIntro && !rows->isEof())
        rows->moveNext();
    PhraseTable table;
    for (; !rows->isEof(); rows->moveNext())
        table.push_back({ qint32(rows->number(QStringLiteral("mseg"))), rows->text(QStringLiteral("frase_sp")), rows->text(QStringLiteral("frase_en")) });
    return table;
}
