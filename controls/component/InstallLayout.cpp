#include "InstallLayout.h"

#include <QCoreApplication>
#include <QDir>

QString InstallLayout::dataFolder()
{
    // TAMSEL_DATA_FROM_BIN is the data folder relative to the programs' folder, as the
    // install rules lay them out ("../share/tamsel").
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/" TAMSEL_DATA_FROM_BIN)) + QLatin1Char('/');
}
