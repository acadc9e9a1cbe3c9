#include "InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString InstallLayout::dataFolder()
{
    // TAMSEL_DATA_FROM_BIN is the data folder relative to the programs' folder, as the
    // install rules lay them out ("../share/tamsel").
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/" TAMSEL_DATA_FROM_BIN)) + QLatin1Char('/');
}

QString InstallLayout::courseFolder()
{
    const QString built = QCoreApplication::applicationDirPath() + QStringLiteral("/course");
    if (QFileInfo::exists(built + QStringLiteral("/bbm.mdb")))
        return built;
    return dataFolder() + QStringLiteral("course");
}
