#include "OwnVideoFiles.h"
#include "MediaRecipes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace OwnVideoFiles {

const QStringList englishCues { QStringLiteral("200-900 <i>Hello</i> there."), QStringLiteral("1000-1800 How are you?"),
    QStringLiteral("2000-2900 Fine, thanks.") };
const QStringList spanishCues { QStringLiteral("250-950 Hola."), QStringLiteral("1050-1750 ¿Qué tal?"),
    QStringLiteral("2000-2800 Bien, gracias.") };

QString written(const QList<OwnLessons::Phrase>& phrases)
{
    QStringList parts;
    for (const OwnLessons::Phrase& phrase : phrases)
        parts << QStringLiteral("%1 %2 / %3").arg(phrase.mseg).arg(phrase.frase_en, phrase.frase_sp);
    return parts.join(QLatin1Char('|'));
}

QString missingEncoder(const QStringList& encoders)
{
    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
        return QStringLiteral("ffmpeg");
    static const QString list = MediaRecipes::runTool(QStringLiteral("ffmpeg"), { QStringLiteral("-hide_banner"), QStringLiteral("-encoders") });
    for (const QString& encoder : encoders) {
        if (!list.contains(QLatin1Char(' ') + encoder + QLatin1Char(' ')))
            return encoder;
    }
    return {};
}

void write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray subRip(const QStringList& cues)
{
    QByteArray out;
    int number = 0;
    for (const QString& cue : cues) {
        const qsizetype dash = cue.indexOf(QLatin1Char('-'));
        const qsizetype space = cue.indexOf(QLatin1Char(' '));
        const auto time = [](qint64 ms) {
            return QStringLiteral("%1:%2:%3,%4")
                .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
                .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
                .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
                .arg(ms % 1000, 3, 10, QLatin1Char('0'));
        };
        out += QStringLiteral("%1\n%2 --> %3\n%4\n\n")
                   .arg(++number)
                   .arg(time(cue.left(dash).toLongLong()), time(cue.mid(dash + 1, space - dash - 1).toLongLong()), cue.mid(space + 1))
                   .toUtf8();
    }
    return out;
}

void makeVideo(const QString& path, const QString& videoCodec, const QString& audioCodec, double seconds,
    const QStringList& subtitleInputs, const QStringList& extra)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString length = QString::number(seconds);
    QStringList arguments { QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"),
        QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("testsrc=size=160x120:rate=10:duration=") + length,
        QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=frequency=440:duration=") + length };
    for (const QString& input : subtitleInputs)
        arguments << QStringLiteral("-i") << input;
    arguments << QStringLiteral("-map") << QStringLiteral("0:v") << QStringLiteral("-map") << QStringLiteral("1:a");
    for (int at = 0; at < subtitleInputs.size(); ++at)
        arguments << QStringLiteral("-map") << QStringLiteral("%1:s").arg(at + 2);
    arguments << QStringLiteral("-c:v") << videoCodec << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p")
              << QStringLiteral("-c:a") << audioCodec << extra << path;
    MediaRecipes::runTool(QStringLiteral("ffmpeg"), arguments);
}

void makeMp4(const QString& path)
{
    makeVideo(path, QStringLiteral("libx264"), QStringLiteral("aac"));
}

} // namespace OwnVideoFiles
