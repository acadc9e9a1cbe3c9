#include "UserPaths.h"

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
        QString rest = local.mid(2);
        while (rest.startsWith(QLatin1Char('/')))
            rest.remove(0, 1);
        return dataFolder() + local.at(0).toLower() + QLatin1Char('/') + rest;
    }
    return local;
}
