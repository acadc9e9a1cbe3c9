#include "SubtitleFinder.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

using Language = SubtitleFinder::Language;

const QStringList& extensions()
{
    static const QStringList list { QStringLiteral("srt"), QStringLiteral("vtt"), QStringLiteral("ass"), QStringLiteral("ssa") };
    return list;
}

} // namespace

SubtitleFinder::Language SubtitleFinder::languageOf(QString tag)
{
    tag = tag.toLower();
    for (const QChar separator : { QLatin1Char('-'), QLatin1Char('_') }) {
        if (const qsizetype at = tag.indexOf(separator); at > 0)
            tag.truncate(at);
    }
    static const QStringList english { QStringLiteral("en"), QStringLiteral("eng"), QStringLiteral("english"), QStringLiteral("inglés"),
        QStringLiteral("ingles") };
    static const QStringList spanish { QStringLiteral("es"), QStringLiteral("spa"), QStringLiteral("esp"), QStringLiteral("spanish"),
        QStringLiteral("español"), QStringLiteral("espanol"), QStringLiteral("castellano") };
    if (english.contains(tag))
        return Language::English;
    if (spanish.contains(tag))
        return Language::Spanish;
    return Language::None;
}

SubtitleFinder::Found SubtitleFinder::beside(const QString& video)
{
    const QFileInfo info(video);
    const QString stem = info.completeBaseName() + QLatin1Char('.');
    const QDir folder = info.absoluteDir();
    Found found;
    // The best so far for each language: the rank of its extension, then its count of tags.
    std::pair<qsizetype, qsizetype> bestEnglish { -1, 0 }, bestSpanish { -1, 0 };
    const QStringList names = folder.entryList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : names) {
        if (!name.startsWith(stem) || name.size() <= stem.size())
            continue;
        QStringList tags = name.mid(stem.size()).split(QLatin1Char('.'));
        const qsizetype rank = extensions().indexOf(tags.takeLast().toLower());
        if (rank < 0 || tags.isEmpty())
            continue;
        if (tags.contains(QStringLiteral("forced"), Qt::CaseInsensitive))
            continue;
        Language language = Language::None;
        for (qsizetype i = 0; i < tags.size() && language == Language::None; ++i)
            language = languageOf(tags.at(i));
        const std::pair<qsizetype, qsizetype> score { rank, tags.size() };
        auto& best = language == Language::English ? bestEnglish : bestSpanish;
        QString& path = language == Language::English ? found.english : found.spanish;
        if (language == Language::None || (best.first >= 0 && best <= score))
            continue;
        best = score;
        path = folder.filePath(name);
    }
    return found;
}
