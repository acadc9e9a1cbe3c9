#include "NarrationRecipe.h"

#include "CourseError.h"
#include "VideoRecipe.h"

#include <QTemporaryDir>
#include <cmath>

namespace {

const QStringList pcmFormat { QStringLiteral("-r"), QStringLiteral("22050"), QStringLiteral("-b"), QStringLiteral("16"),
    QStringLiteral("-c"), QStringLiteral("1") };

void makeSilence(const QString& file, double seconds)
{
    MediaRecipes::runTool(QStringLiteral("sox"),
        QStringList { QStringLiteral("-n") } + pcmFormat + QStringList { file, QStringLiteral("trim"), QStringLiteral("0"), QString::number(seconds) });
}

double number(const MediaRecipes::Recipe& r, const QString& key, const QString& fallback)
{
    bool ok = false;
    const double value = r.arg(key, fallback).toDouble(&ok);
    if (!ok || value < 0)
        throw CourseError(QStringLiteral("narration %1: %2 must be a number of seconds").arg(r.output, key));
    return value;
}

QString joined(const QList<int>& values)
{
    QStringList texts;
    for (const int v : values)
        texts << QString::number(v);
    return texts.join(QLatin1Char(','));
}

} // namespace

QList<int> NarrationRecipe::sentenceStarts(const QList<double>& lengths, double lead, double pause)
{
    QList<int> starts;
    double at = lead;
    for (const double length : lengths) {
        starts << int(std::lround(at * 1000));
        at += length + pause;
    }
    return starts;
}

void NarrationRecipe::make(const MediaRecipes::Recipe& r)
{
    const QStringList lines = r.required(QStringLiteral("lines")).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    if (lines.isEmpty())
        throw CourseError(QStringLiteral("narration %1 has no sentence").arg(r.output));
    const double lead = number(r, QStringLiteral("lead"), QStringLiteral("0.6"));
    const double pause = number(r, QStringLiteral("pause"), QStringLiteral("0.5"));
    const QString voice = r.arg(QStringLiteral("lang"), QStringLiteral("en")) == QLatin1String("es") ? QStringLiteral("es") : QStringLiteral("en-us");

    QTemporaryDir tmp;
    const QString leadFile = tmp.filePath(QStringLiteral("lead.wav"));
    const QString pauseFile = tmp.filePath(QStringLiteral("pause.wav"));
    makeSilence(leadFile, lead);
    makeSilence(pauseFile, pause);
    QStringList parts { leadFile };
    QList<double> lengths;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString raw = tmp.filePath(QStringLiteral("raw%1.wav").arg(i));
        const QString part = tmp.filePath(QStringLiteral("s%1.wav").arg(i));
        MediaRecipes::runTool(QStringLiteral("espeak-ng"),
            { QStringLiteral("-v"), voice, QStringLiteral("-s"), r.arg(QStringLiteral("speed"), QStringLiteral("150")), QStringLiteral("-w"), raw,
                lines.at(i).trimmed() });
        MediaRecipes::runTool(QStringLiteral("sox"), QStringList { raw } + pcmFormat + QStringList { part });
        // The length of the file as it will be joined, not of the text.
        lengths << VideoRecipe::soundLength(part);
        if (i > 0)
            parts << pauseFile;
        parts << part;
    }
    MediaRecipes::runTool(QStringLiteral("sox"), parts + QStringList { r.output });

    const QList<int> measured = sentenceStarts(lengths, lead, pause);
    QList<int> written;
    for (const QString& text : r.required(QStringLiteral("starts")).split(QLatin1Char(','), Qt::SkipEmptyParts))
        written << text.trimmed().toInt();
    bool agree = written.size() == measured.size();
    for (qsizetype i = 0; agree && i < measured.size(); ++i)
        agree = std::abs(written.at(i) - measured.at(i)) <= ToleranceMs;
    if (!agree)
        throw CourseError(QStringLiteral("narration %1: the sentences begin at %2 ms, not at %3 (write these times in starts= and in the sequence's rows)")
                              .arg(r.output, joined(measured), joined(written)));
}
