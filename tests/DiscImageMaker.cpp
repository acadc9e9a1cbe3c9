#include "DiscImageMaker.h"

#include <QProcess>
#include <QStringList>

QString DiscImageMaker::make(const QString& source, const QString& image, Kind kind)
{
    QString program = QStringLiteral("genisoimage");
    QStringList arguments { QStringLiteral("-quiet") };
    switch (kind) {
    case Kind::Level1:
        arguments << QStringLiteral("-iso-level") << QStringLiteral("1");
        break;
    case Kind::Level2:
        arguments << QStringLiteral("-iso-level") << QStringLiteral("2");
        break;
    case Kind::Level3:
        arguments << QStringLiteral("-iso-level") << QStringLiteral("3");
        break;
    case Kind::Joliet:
        arguments << QStringLiteral("-J");
        break;
    case Kind::RockRidge:
        arguments << QStringLiteral("-R");
        break;
    case Kind::RockRidgeJoliet:
        program = QStringLiteral("xorriso");
        arguments = QStringList { QStringLiteral("-as"), QStringLiteral("mkisofs"), QStringLiteral("-quiet"), QStringLiteral("-R"), QStringLiteral("-J") };
        break;
    }
    arguments << QStringLiteral("-o") << image << source;
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(120000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return QStringLiteral("%1 %2 failed: %3%4")
            .arg(program, arguments.join(QLatin1Char(' ')), tool.errorString(), QString::fromLocal8Bit(tool.readAllStandardError()));
    return {};
}
