#include "CanonicalPath.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

// As many links as the kernel follows before it reports a loop.
constexpr int maxLinks = 40;

QString joined(const QString& folder, const QStringList& rest)
{
    if (rest.isEmpty())
        return folder;
    return (folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/')) + rest.join(QLatin1Char('/'));
}

} // namespace

QString CanonicalPath::of(const QString& path)
{
    QString pending = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    for (int links = 0; links <= maxLinks; ++links) {
        // The longest part that exists, or ends in a link; a link is there even when its target is not.
        QString existing = pending;
        QStringList rest;
        while (!QFileInfo::exists(existing) && !QFileInfo(existing).isSymLink()) {
            const QFileInfo info(existing);
            if (info.isRoot())
                return pending;
            rest.prepend(info.fileName());
            existing = info.path();
        }
        const QFileInfo info(existing);
        if (info.exists())
            return joined(info.canonicalFilePath(), rest);
        // A link to something missing: canonicalFilePath() gives nothing for it, so follow it by hand.
        pending = QDir::cleanPath(joined(info.symLinkTarget(), rest));
    }
    return {};
}

bool CanonicalPath::liesInside(const QString& path, const QString& folder)
{
    const QString real = of(path);
    QString realFolder = of(folder);
    if (real.isEmpty() || realFolder.isEmpty())
        return false;
    if (real == realFolder)
        return true;
    if (!realFolder.endsWith(QLatin1Char('/')))
        realFolder += QLatin1Char('/');
    return real.startsWith(realFolder);
}
