#include "UserPaths.h"

#include "CanonicalPath.h"
#include "CourseError.h"

#include <QDir>
#include <QStandardPaths>

namespace {

QString withSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

} // namespace

QString UserPaths::configFolder()
{
    return withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/tamsel"));
}

QString UserPaths::dataFolder()
{
    return withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tamsel"));
}

QString UserPaths::fromWindowsPath(const QString& path)
{
    QString local = path.trimmed();
    local.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (local.size() >= 2 && local.at(0).isLetter() && local.at(1) == QLatin1Char(':')) {
        const QString drive = dataFolder() + local.at(0).toLower() + QLatin1Char('/');
        QString mapped = QDir::cleanPath(drive + local.mid(2));
        if (!CanonicalPath::liesInside(mapped, drive))
            throw CourseError(QStringLiteral("the path \"%1\" leads outside its drive, which is the folder %2 here")
                                  .arg(path.trimmed(), drive));
        // A folder keeps its trailing separator: callers append names to it.
        if (local.endsWith(QLatin1Char('/')) || local.size() == 2)
            mapped = withSlash(mapped);
        return mapped;
    }
    return local;
}
