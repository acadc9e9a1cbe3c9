#include "SubtitleReader.h"

#include "SubtitleParsers.h"
#include "SubtitleText.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace {

using Format = SubtitleReader::Format;

Format formatOf(const QString& text)
{
    const QStringView start = QStringView(text).trimmed();
    if (start.startsWith(QLatin1String("WEBVTT")))
        return Format::WebVtt;
    static const QRegularExpression ssa(QStringLiteral("^\\s*\\[(script info|events|v4\\+? styles)\\]\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
    if (ssa.match(text).hasMatch())
        return Format::Ssa;
    if (text.contains(QLatin1String("-->")))
        return Format::SubRip;
    return Format::Unknown;
}

// In start order; without empty cues; every end after its start.
void mend(SubtitleReader::Result& result)
{
    SubtitleCues& cues = result.cues;
    const qsizetype before = cues.size();
    cues.removeIf([](const SubtitleCue& cue) { return cue.text.isEmpty(); });
    result.empty = int(before - cues.size());
    std::stable_sort(cues.begin(), cues.end(), [](const SubtitleCue& a, const SubtitleCue& b) { return a.startMs < b.startMs; });
    for (qsizetype i = 0; i < cues.size(); ++i) {
        SubtitleCue& cue = cues[i];
        if (cue.endMs > cue.startMs)
            continue;
        ++result.mended;
        qint64 end = cue.startMs + SubtitleReader::kMendedCueMs;
        for (qsizetype j = i + 1; j < cues.size(); ++j) {
            if (cues.at(j).startMs > cue.startMs) {
                end = std::min(end, cues.at(j).startMs);
                break;
            }
        }
        cue.endMs = end;
    }
}

QString named(const QString& file)
{
    return file.isEmpty() ? QString() : QLatin1Char(' ') + QFileInfo(file).fileName();
}

// The learner's message for PROBLEM, naming FILE.
QString messageFor(SubtitleReader::Problem problem, const QString& file, qint64 bytes)
{
    using Problem = SubtitleReader::Problem;
    switch (problem) {
    case Problem::None:
        return {};
    case Problem::Missing:
        return QStringLiteral("No se encuentra el archivo de subtítulos%1.").arg(named(file));
    case Problem::Unreadable:
        return QStringLiteral("No se puede leer el archivo de subtítulos%1.").arg(named(file));
    case Problem::TooLarge:
        return QStringLiteral("El archivo de subtítulos%1 es demasiado grande (%2 MB; se admiten hasta %3 MB).")
            .arg(named(file))
            .arg((bytes + 1024 * 1024 - 1) / (1024 * 1024))
            .arg(SubtitleReader::kMaxFileBytes / (1024 * 1024));
    case Problem::NotSubtitles:
        return QStringLiteral("El archivo%1 no es un archivo de subtítulos (SubRip, WebVTT o SSA/ASS).").arg(named(file));
    case Problem::NoCues:
        return QStringLiteral("El archivo de subtítulos%1 no tiene ningún subtítulo con texto.").arg(named(file));
    case Problem::TooManyCues:
        return QStringLiteral("El archivo de subtítulos%1 tiene más de %2 subtítulos.").arg(named(file)).arg(SubtitleReader::kMaxCues);
    }
    return {};
}

SubtitleReader::Result refused(SubtitleReader::Problem problem, const QString& file, qint64 bytes = 0, const QString& detail = {})
{
    SubtitleReader::Result result;
    result.problem = problem;
    result.error = messageFor(problem, file, bytes);
    result.detail = detail;
    return result;
}

SubtitleReader::Result parsed(const QByteArray& bytes, const QString& file)
{
    if (bytes.size() > SubtitleReader::kMaxFileBytes)
        return refused(SubtitleReader::Problem::TooLarge, file, bytes.size());
    const QString text = SubtitleText::decode(bytes);
    SubtitleReader::Result result;
    result.format = formatOf(text);
    switch (result.format) {
    case Format::Unknown:
        return refused(SubtitleReader::Problem::NotSubtitles, file);
    case Format::Ssa:
        result.cues = SubtitleParsers::ssa(text, SubtitleReader::kMaxCues, result.unreadable);
        break;
    case Format::SubRip:
    case Format::WebVtt:
        result.cues = SubtitleParsers::subRip(text, SubtitleReader::kMaxCues, result.unreadable);
        break;
    }
    if (result.cues.size() > SubtitleReader::kMaxCues)
        return refused(SubtitleReader::Problem::TooManyCues, file);
    mend(result);
    if (result.cues.isEmpty()) {
        // A text with an arrow somewhere, but no cue read from it, is no SubRip file.
        const bool any = result.unreadable > 0 || result.empty > 0 || result.format != Format::SubRip;
        return refused(any ? SubtitleReader::Problem::NoCues : SubtitleReader::Problem::NotSubtitles, file);
    }
    return result;
}

} // namespace

SubtitleReader::Result SubtitleReader::read(const QString& file)
{
    QFile in(file);
    const QFileInfo info(file);
    if (!info.exists())
        return refused(Problem::Missing, file, 0, QStringLiteral("the file does not exist"));
    if (!info.isFile() || !in.open(QIODevice::ReadOnly))
        return refused(Problem::Unreadable, file, 0, info.isFile() ? in.errorString() : QStringLiteral("it is not a file"));
    // Refused before it is read: the size on the disc is enough to tell.
    if (in.size() > kMaxFileBytes)
        return refused(Problem::TooLarge, file, in.size());
    const QByteArray bytes = in.read(kMaxFileBytes + 1);
    if (in.error() != QFile::NoError)
        return refused(Problem::Unreadable, file, 0, in.errorString());
    return parsed(bytes, file);
}

SubtitleReader::Result SubtitleReader::parse(const QByteArray& bytes)
{
    return parsed(bytes, QString());
}

SubtitleReader::Result SubtitleReader::fromCues(SubtitleCues cues)
{
    if (cues.size() > kMaxCues)
        return refused(Problem::TooManyCues, QString());
    Result result;
    result.cues = std::move(cues);
    mend(result);
    if (result.cues.isEmpty())
        return refused(Problem::NoCues, QString());
    return result;
}

QString SubtitleReader::formatName(Format format)
{
    switch (format) {
    case Format::SubRip: return QStringLiteral("SubRip");
    case Format::WebVtt: return QStringLiteral("WebVTT");
    case Format::Ssa: return QStringLiteral("SSA/ASS");
    case Format::Unknown: break;
    }
    return QStringLiteral("unknown");
}
