#include "VideoRecipe.h"

#include "MediaRecipes.h"

#include "CourseError.h"
#include "DrawingKit.h"
#include "NarrationRecipe.h"
#include "PanoramaRecipe.h"

#include <QFile>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>

namespace {

constexpr int kRate = 22050;
constexpr double kLead = 0.6;  // silence before the first sentence
constexpr double kTail = 0.8;  // silence after the last one

// The speech as 16-bit samples, read back as raw data through sox.
QVector<qint16> readSamples(const QString& wav, const QString& rawFile)
{
    MediaRecipes::runTool(QStringLiteral("sox"), { wav, QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-e"), QStringLiteral("signed-integer"),
        QStringLiteral("-b"), QStringLiteral("16"), QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-L"), rawFile });
    QFile file(rawFile);
    if (!file.open(QIODevice::ReadOnly))
        throw CourseError(QStringLiteral("cannot read %1").arg(rawFile));
    const QByteArray bytes = file.readAll();
    QVector<qint16> samples(bytes.size() / 2);
    for (qsizetype i = 0; i < samples.size(); ++i)
        samples[i] = qFromLittleEndian<qint16>(bytes.constData() + 2 * i);
    return samples;
}

// The level of SAMPLES between FROM and TO seconds, 0–1 (root mean square, scaled so
// that ordinary speech reaches about 1).
double loudness(const QVector<qint16>& samples, double from, double to)
{
    const qsizetype a = qBound<qsizetype>(0, qsizetype(from * kRate), samples.size());
    const qsizetype b = qBound<qsizetype>(a, qsizetype(to * kRate), samples.size());
    if (b <= a)
        return 0;
    double sum = 0;
    for (qsizetype i = a; i < b; ++i)
        sum += double(samples[i]) * samples[i];
    return qMin(1.0, std::sqrt(sum / double(b - a)) / 6000.0);
}

QString seconds(double value)
{
    return QString::number(value, 'f', 3);
}

} // namespace

double VideoRecipe::soundLength(const QString& file)
{
    bool ok = false;
    const QString text = MediaRecipes::runTool(QStringLiteral("soxi"), { QStringLiteral("-D"), file });
    const double length = text.toDouble(&ok);
    if (!ok)
        throw CourseError(QStringLiteral("soxi gave no length for %1: '%2'").arg(file, text));
    return length;
}

void VideoRecipe::make(const MediaRecipes::Recipe& recipe)
{
    Frame frame;
    frame.size = DrawingKit::parseSize(recipe.required(QStringLiteral("size")), QStringLiteral("video size"));
    if (frame.size.width() % 2 || frame.size.height() % 2)
        throw CourseError(QStringLiteral("video size %1x%2 must be even in both directions").arg(frame.size.width()).arg(frame.size.height()));
    const QString styleName = recipe.arg(QStringLiteral("style"), QStringLiteral("titles"));
    if (styleName != QLatin1String("titles") && styleName != QLatin1String("speaker"))
        throw CourseError(QStringLiteral("unknown video style '%1' (titles or speaker)").arg(styleName));
    frame.style = styleName == QLatin1String("speaker") ? Style::Speaker : Style::Titles;
    frame.title = recipe.arg(QStringLiteral("title"));
    frame.name = recipe.arg(QStringLiteral("name"));
    frame.names = recipe.arg(QStringLiteral("names")).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    frame.captions = recipe.arg(QStringLiteral("captions"), QStringLiteral("yes")) != QLatin1String("no");
    QStringList voices = recipe.arg(QStringLiteral("voices"), QStringLiteral("en-us")).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    if (voices.isEmpty())
        voices << QStringLiteral("en-us");
    const qsizetype speakers = std::max(voices.size(), frame.names.size());
    const QStringList lines = recipe.required(QStringLiteral("lines")).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    if (lines.isEmpty())
        throw CourseError(QStringLiteral("video recipe for %1 has no lines").arg(recipe.output));
    const int fps = DrawingKit::parseInt(recipe.arg(QStringLiteral("fps"), QStringLiteral("15")), QStringLiteral("video fps"));
    const double pause = recipe.arg(QStringLiteral("pause"), QStringLiteral("0.5")).toDouble();
    if (fps < 1 || fps > 60 || pause < 0)
        throw CourseError(QStringLiteral("video recipe for %1: fps must be 1-60 and pause not negative").arg(recipe.output));

    QTemporaryDir tmp;
    if (!tmp.isValid())
        throw CourseError(QStringLiteral("no temporary folder for %1").arg(recipe.output));
    // Speak each sentence on its own and measure it; the captions follow these lengths.
    QStringList padded;
    double at = kLead;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString raw = tmp.filePath(QStringLiteral("raw%1.wav").arg(i));
        const QString line = tmp.filePath(QStringLiteral("line%1.wav").arg(i));
        const int speaker = int(i % speakers);
        MediaRecipes::runTool(QStringLiteral("espeak-ng"), { QStringLiteral("-v"), voices.at(speaker % voices.size()), QStringLiteral("-s"),
            recipe.arg(QStringLiteral("speed"), QStringLiteral("145")), QStringLiteral("-w"), raw, lines.at(i).trimmed() });
        MediaRecipes::runTool(QStringLiteral("sox"), { raw, QStringLiteral("-r"), QString::number(kRate), QStringLiteral("-b"), QStringLiteral("16"),
            QStringLiteral("-c"), QStringLiteral("1"), line });
        const double length = soundLength(line);
        frame.phrases << Phrase { lines.at(i).trimmed(), at, length, speaker };
        const bool last = i + 1 == lines.size();
        padded << tmp.filePath(QStringLiteral("pad%1.wav").arg(i));
        MediaRecipes::runTool(QStringLiteral("sox"), { line, padded.last(), QStringLiteral("pad"), seconds(i == 0 ? kLead : 0), seconds(last ? kTail : pause) });
        at += length + (last ? kTail : pause);
    }
    if (recipe.args.contains(QStringLiteral("starts")))
        checkStarts(recipe, frame.phrases);
    const QString speech = tmp.filePath(QStringLiteral("speech.wav"));
    MediaRecipes::runTool(QStringLiteral("sox"), padded + QStringList { speech });
    const double total = soundLength(speech);
    const QVector<qint16> samples = readSamples(speech, tmp.filePath(QStringLiteral("speech.raw")));

    const int frames = int(std::ceil(total * fps));
    for (int k = 0; k < frames; ++k) {
        frame.time = double(k) / fps;
        frame.loudness = loudness(samples, frame.time, frame.time + 1.0 / fps);
        const QString file = tmp.filePath(QStringLiteral("f%1.png").arg(k, 5, 10, QLatin1Char('0')));
        if (!drawFrame(frame).save(file))
            throw CourseError(QStringLiteral("cannot write video frame %1").arg(file));
    }
    QFile::remove(recipe.output);
    MediaRecipes::runTool(QStringLiteral("ffmpeg"), { QStringLiteral("-y"), QStringLiteral("-loglevel"), QStringLiteral("error"),
        QStringLiteral("-framerate"), QString::number(fps), QStringLiteral("-i"), tmp.filePath(QStringLiteral("f%05d.png")),
        QStringLiteral("-i"), speech, QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-q:v"), QStringLiteral("4"),
        QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-c:a"), QStringLiteral("pcm_s16le"), recipe.output });
}

void VideoRecipe::checkStarts(const MediaRecipes::Recipe& recipe, const QList<Phrase>& phrases)
{
    QStringList measured;
    for (const Phrase& phrase : phrases)
        measured << QString::number(std::lround(phrase.start * 1000));
    const QStringList written = recipe.args.value(QStringLiteral("starts")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    bool agree = written.size() == measured.size();
    for (qsizetype i = 0; agree && i < measured.size(); ++i)
        agree = std::abs(written.at(i).trimmed().toInt() - measured.at(i).toInt()) <= NarrationRecipe::ToleranceMs;
    if (!agree)
        throw CourseError(QStringLiteral("video %1: the sentences begin at %2 ms, not at %3 (write these times in starts= and in the phrase rows)")
                              .arg(recipe.output, measured.join(QLatin1Char(',')), written.join(QLatin1Char(','))));
}

QImage VideoRecipe::drawFrame(const Frame& frame)
{
    QImage image(frame.size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // The sentence being spoken, or the last one spoken while the next has not begun.
    int current = -1;
    for (qsizetype i = 0; i < frame.phrases.size(); ++i) {
        if (frame.time >= frame.phrases.at(i).start)
            current = int(i);
    }
    if (frame.style == Style::Titles)
        drawTitles(painter, frame, current);
    else
        drawSpeaker(painter, frame, current);
    if (current >= 0 && frame.captions) {
        const qreal opacity = qBound(0.0, (frame.time - frame.phrases.at(current).start) / 0.25, 1.0);
        drawCaption(painter, frame, frame.phrases.at(current).text, opacity);
    }
    return image;
}

void VideoRecipe::drawTitles(QPainter& painter, const Frame& frame, int current)
{
    const qreal w = frame.size.width();
    const qreal h = frame.size.height();
    const double total = frame.phrases.last().start + frame.phrases.last().length;
    PanoramaRecipe::drawLandscape(painter, frame.size, PanoramaRecipe::Mood::Day, frame.time / qMax(1.0, total));
    if (!frame.title.isEmpty()) {
        // The title settles in from above during the first second.
        const qreal drop = qBound(0.0, frame.time / 0.8, 1.0);
        DrawingKit::drawHaloText(painter, QPointF(w / 2, -h * 0.1 + drop * h * 0.24), frame.title, DrawingKit::font(int(h * 0.1), QFont::Bold),
            QColor(255, 250, 235), QColor(30, 70, 120));
    }
    // A level meter that moves with the voice, and one dot per sentence.
    const int bars = 9;
    const qreal barWidth = w * 0.018;
    for (int i = 0; i < bars; ++i) {
        const qreal wobble = 0.55 + 0.45 * std::sin(frame.time * 9.0 + i * 1.7);
        const qreal height = h * 0.015 + h * 0.12 * frame.loudness * wobble;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 209, 102));
        painter.drawRoundedRect(QRectF(w / 2 + (i - bars / 2.0) * barWidth * 1.8, h * 0.56 - height, barWidth, height), 2, 2);
    }
    for (qsizetype i = 0; i < frame.phrases.size(); ++i) {
        painter.setBrush(i <= current ? QColor(255, 209, 102) : QColor(255, 255, 255, 120));
        painter.drawEllipse(QPointF(w / 2 + (i - (frame.phrases.size() - 1) / 2.0) * h * 0.045, h * 0.62), h * 0.012, h * 0.012);
    }
}

void VideoRecipe::drawSpeaker(QPainter& painter, const Frame& frame, int current)
{
    const qreal w = frame.size.width();
    const qreal h = frame.size.height();
    const qreal u = h / 240.0;
    // Each speaker of a conversation has a room, a jacket and hair of his own.
    struct Look {
        QColor wallTop, wallBottom, jacket, hair;
    };
    static const Look looks[] = {
        { QColor(238, 222, 190), QColor(210, 186, 150), QColor(52, 92, 150), QColor(90, 56, 30) },
        { QColor(200, 228, 214), QColor(160, 196, 182), QColor(150, 52, 70), QColor(30, 24, 20) },
        { QColor(226, 212, 236), QColor(188, 170, 206), QColor(60, 120, 70), QColor(200, 150, 60) },
    };
    const int speaker = current >= 0 ? frame.phrases.at(current).speaker : 0;
    const Look& look = looks[speaker % 3];
    const QString name = frame.names.isEmpty() ? frame.name : frame.names.at(speaker % frame.names.size());
    // A room: a wall, a window with sky, a bookshelf.
    QLinearGradient wall(0, 0, 0, h);
    wall.setColorAt(0, look.wallTop);
    wall.setColorAt(1, look.wallBottom);
    painter.fillRect(QRectF(0, 0, w, h), wall);
    const QRectF window(w * 0.06, h * 0.1, w * 0.26, h * 0.38);
    QLinearGradient sky(window.topLeft(), window.bottomLeft());
    sky.setColorAt(0, QColor(110, 170, 230));
    sky.setColorAt(1, QColor(200, 230, 250));
    painter.fillRect(window, sky);
    painter.setPen(QPen(QColor(250, 250, 245), 4 * u));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(window);
    painter.drawLine(QPointF(window.center().x(), window.top()), QPointF(window.center().x(), window.bottom()));
    const QRectF shelf(w * 0.72, h * 0.14, w * 0.22, h * 0.4);
    painter.setPen(Qt::NoPen);
    painter.fillRect(shelf, QColor(130, 86, 52));
    const QColor spines[] = { QColor(180, 60, 50), QColor(60, 110, 160), QColor(220, 180, 70), QColor(80, 140, 90) };
    for (int row = 0; row < 3; ++row) {
        for (int i = 0; i < 6; ++i) {
            const qreal bw = shelf.width() / 8;
            painter.fillRect(QRectF(shelf.left() + bw * 0.5 + i * bw * 1.15, shelf.top() + row * shelf.height() / 3 + 4 * u, bw, shelf.height() / 3 - 6 * u),
                spines[(row + i) % 4]);
        }
    }

    // The speaker: shoulders, neck, head, hair, eyes that blink, a mouth that follows the voice.
    const QPointF head(w / 2, h * 0.42);
    painter.setBrush(look.jacket);
    painter.drawRoundedRect(QRectF(head.x() - 70 * u, head.y() + 52 * u, 140 * u, 90 * u), 40 * u, 40 * u);
    painter.setBrush(QColor(240, 240, 240));
    painter.drawPolygon(QPolygonF { head + QPointF(-16 * u, 52 * u), head + QPointF(16 * u, 52 * u), head + QPointF(0, 72 * u) });
    const QColor skin(240, 196, 160);
    painter.setBrush(skin.darker(108));
    painter.drawRect(QRectF(head.x() - 12 * u, head.y() + 30 * u, 24 * u, 26 * u));
    painter.setBrush(skin);
    painter.drawEllipse(head + QPointF(-43 * u, 4 * u), 8 * u, 11 * u);
    painter.drawEllipse(head + QPointF(43 * u, 4 * u), 8 * u, 11 * u);
    painter.drawEllipse(head, 42 * u, 50 * u);
    painter.setBrush(look.hair);
    QPainterPath hair(head + QPointF(-43 * u, -2 * u));
    hair.cubicTo(head + QPointF(-50 * u, -62 * u), head + QPointF(44 * u, -70 * u), head + QPointF(43 * u, -4 * u));
    hair.cubicTo(head + QPointF(30 * u, -34 * u), head + QPointF(-10 * u, -40 * u), head + QPointF(-43 * u, -2 * u));
    painter.drawPath(hair);
    const bool blink = std::fmod(frame.time, 3.1) > 2.95;
    painter.setBrush(QColor(40, 30, 25));
    for (const int side : { -1, 1 }) {
        const QPointF eye = head + QPointF(side * 16 * u, -4 * u);
        if (blink)
            painter.drawRect(QRectF(eye.x() - 6 * u, eye.y() - 0.8 * u, 12 * u, 1.8 * u));
        else
            painter.drawEllipse(eye, 4.5 * u, 5.5 * u);
        painter.drawRect(QRectF(eye.x() - 8 * u, eye.y() - 14 * u, 16 * u, 2.5 * u));
    }
    painter.setBrush(QColor(215, 150, 120));
    painter.drawEllipse(head + QPointF(0, 10 * u), 4 * u, 3 * u);
    const qreal open = 1.5 * u + 12 * u * frame.loudness;
    painter.setBrush(QColor(140, 40, 40));
    painter.drawEllipse(head + QPointF(0, 26 * u), 13 * u - open * 0.2, open);

    if (!name.isEmpty()) {
        const QFont font = DrawingKit::font(int(12 * u), QFont::Bold);
        const qreal width = QFontMetricsF(font).horizontalAdvance(name) + 16 * u;
        const QRectF tag(8 * u, h * 0.58, width, 20 * u);
        painter.setBrush(QColor(200, 50, 45));
        painter.drawRoundedRect(tag, 4 * u, 4 * u);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(tag, Qt::AlignCenter, name);
    }
}

void VideoRecipe::drawCaption(QPainter& painter, const Frame& frame, const QString& text, qreal opacity)
{
    const qreal w = frame.size.width();
    const qreal h = frame.size.height();
    const QRectF box(w * 0.04, h * 0.72, w * 0.92, h * 0.24);
    painter.save();
    painter.setOpacity(opacity);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 20, 30, 190));
    painter.drawRoundedRect(box, 8, 8);
    painter.setPen(QColor(255, 250, 235));
    painter.setFont(DrawingKit::font(int(h * 0.065), QFont::Bold));
    painter.drawText(box.adjusted(8, 4, -8, -4), Qt::AlignCenter | Qt::TextWordWrap, text);
    painter.restore();
}
