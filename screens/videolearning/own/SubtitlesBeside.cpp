#include "SubtitlesBeside.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool isTagOf(QString tag, SubtitlesBeside::Language language)
{
    tag = tag.toLower();
    // "es-ES", "en_US": the language before its region.
    if (const qsizetype cut = tag.indexOf(QRegularExpression(QStringLiteral("[-_]"))); cut > 0)
        tag.truncate(cut);
    static const QStringList english { QStringLiteral("en"), QStringLiteral("eng"), QStringLiteral("english"), QStringLiteral("ingles"),
        QStringLiteral("inglés") };
    static const QStringList spanish { QStringLiteral("es"), QStringLiteral("spa"), QStringLiteral("esp"), QStringLiteral("spanish"),
        QStringLiteral("espanol"), QStringLiteral("español"), QStringLiteral("castellano") };
    return (language == SubtitlesBeside::Language::English ? english : spanish).contains(tag);
}

} // namespace

QString SubtitlesBeside::find(const QString& video, Language language)
{
    const QFileInfo info(video);
    const QString base = info.completeBaseName() + QLatin1Char('.');
    static const QStringList kinds { QStringLiteral("srt"), QStringLiteral("vtt"), QStringLiteral("ass"), QStringLiteral("ssa") };
    const QDir folder = info.dir();
    // The names are compared as text: a film's name may hold the wildcards' "[" and "*".
    const QStringList names = folder.entryList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : names) {
        const QFileInfo candidate(name);
        if (!name.startsWith(base) || !kinds.contains(candidate.suffix().toLower()))
            continue;
        const QString tag = name.mid(base.size(), name.size() - base.size() - candidate.suffix().size() - 1);
        if (isTagOf(tag, language))
            return folder.filePath(name);
    }
    return {};
}
