#include "MediaRecipes.h"

#include "CourseError.h"
#include "CourseCompiler.h"
#include "LessonArtRecipe.h"
#include "MapRecipe.h"
#include "PanoramaRecipe.h"
#include "TestArtRecipe.h"
#include "VideoRecipe.h"
#include "WindowArtRecipe.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

QSize parseSize(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    bool okW = false;
    bool okH = false;
    const QSize size = parts.size() == 2 ? QSize(parts[0].toInt(&okW), parts[1].toInt(&okH)) : QSize();
    if (!okW || !okH || size.isEmpty())
        throw CourseError(QStringLiteral("bad size '%1' (expected WIDTHxHEIGHT)").arg(text));
    return size;
}

QColor parseColour(const QString& text)
{
    const QColor colour = QColor::fromString(text);
    if (!colour.isValid())
        throw CourseError(QStringLiteral("bad colour '%1'").arg(text));
    return colour;
}

void makeTone(const MediaRecipes::Recipe& r)
{
    const QString seconds = r.required(QStringLiteral("seconds"));
    QStringList args { QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("22050"), QStringLiteral("-b"), QStringLiteral("16"),
        QStringLiteral("-c"), QStringLiteral("1"), r.output, QStringLiteral("synth"), seconds, QStringLiteral("sine"),
        r.required(QStringLiteral("freq")), QStringLiteral("gain"), r.arg(QStringLiteral("gain"), QStringLiteral("-6")) };
    const QString fade = r.arg(QStringLiteral("fade"));
    if (!fade.isEmpty())
        args << QStringLiteral("fade") << QStringLiteral("q") << fade << seconds << fade;
    MediaRecipes::runTool(QStringLiteral("sox"), args);
}

void makeSpeech(const MediaRecipes::Recipe& r)
{
    const QString lang = r.required(QStringLiteral("lang"));
    const QString voice = lang == QLatin1String("es") ? QStringLiteral("es") : QStringLiteral("en-us");
    QTemporaryDir tmp;
    const QString raw = tmp.filePath(QStringLiteral("speech.wav"));
    MediaRecipes::runTool(QStringLiteral("espeak-ng"),
        { QStringLiteral("-v"), voice, QStringLiteral("-s"), r.arg(QStringLiteral("speed"), QStringLiteral("150")), QStringLiteral("-w"), raw,
            r.required(QStringLiteral("text")) });
    // Resample to the common rate; espeak's own header is PCM already.
    MediaRecipes::runTool(QStringLiteral("sox"),
        { raw, QStringLiteral("-r"), QStringLiteral("22050"), QStringLiteral("-b"), QStringLiteral("16"), QStringLiteral("-c"), QStringLiteral("1"), r.output });
}

// A short melody: NOTES (sox note names such as C4 or E5) of STEP seconds each, plucked,
// with a little reverberation so that a loop of it sounds like music rather than beeps.
void makeMelody(const MediaRecipes::Recipe& r)
{
    const QStringList notes = r.required(QStringLiteral("notes")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString step = r.arg(QStringLiteral("step"), QStringLiteral("0.4"));
    if (notes.isEmpty())
        throw CourseError(QStringLiteral("melody recipe for %1 has no notes").arg(r.output));
    QTemporaryDir tmp;
    QStringList parts;
    for (const QString& note : notes) {
        const QString part = tmp.filePath(QStringLiteral("n%1.wav").arg(parts.size()));
        const QString tone = note == QLatin1String("-") ? QStringLiteral("sine") : QStringLiteral("pluck");
        QStringList args { QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("22050"), QStringLiteral("-b"), QStringLiteral("16"),
            QStringLiteral("-c"), QStringLiteral("1"), part, QStringLiteral("synth"), step, tone };
        if (note != QLatin1String("-"))
            args << note;
        args << QStringLiteral("gain") << (note == QLatin1String("-") ? QStringLiteral("-90") : r.arg(QStringLiteral("gain"), QStringLiteral("-8")));
        MediaRecipes::runTool(QStringLiteral("sox"), args);
        parts << part;
    }
    MediaRecipes::runTool(QStringLiteral("sox"), parts + QStringList { r.output, QStringLiteral("reverb"), QStringLiteral("30") });
}

// The hand pointer of the buttons: a pointing hand drawn on a transparent icon.
void makeHand(const MediaRecipes::Recipe& r)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1.5));
    painter.setBrush(Qt::white);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(13, 2, 6, 16), 3, 3);  // the pointing finger
    hand.addRoundedRect(QRectF(8, 14, 18, 15), 5, 5); // the palm and folded fingers
    painter.drawPath(hand.simplified());
    painter.drawLine(QPointF(19, 18), QPointF(19, 22));
    painter.drawLine(QPointF(22.5, 18), QPointF(22.5, 22));
    painter.end();
    if (!image.save(r.output, "ICO"))
        throw CourseError(QStringLiteral("cannot write icon %1").arg(r.output));
}

// Where a button's caption may start: past its border's pixel and a blank of two, as a lit
// picture (margin=2, no border) keeps it.
constexpr int kButtonMargin = 3;
constexpr int kSmallestButtonFont = 6;

void makePicture(const MediaRecipes::Recipe& r)
{
    QImage image(parseSize(r.required(QStringLiteral("size"))), QImage::Format_RGB32);
    image.fill(parseColour(r.required(QStringLiteral("fill"))));
    // buttons="x,y,w,h,label[,font];...": a screen's buttons drawn at rest on its background,
    // each caption in buttonfont= or its own size (as its lit picture draws it).
    for (const QString& entry : r.arg(QStringLiteral("buttons")).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList parts = entry.split(QLatin1Char(','));
        if (parts.size() != 5 && parts.size() != 6)
            throw CourseError(QStringLiteral("picture %1: a button is x,y,w,h,label[,font], not \"%2\"").arg(r.output, entry));
        const QRect rect(parts.at(0).toInt(), parts.at(1).toInt(), parts.at(2).toInt(), parts.at(3).toInt());
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(90, 70, 40), 1));
        painter.setBrush(QColor(232, 220, 192));
        painter.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(parts.size() == 6 ? parts.at(5).toInt() : r.arg(QStringLiteral("buttonfont"), QStringLiteral("10")).toInt());
        // Inside its border with a blank, as the lit pictures (margin=2) keep it: a caption
        // that would touch the border wraps instead ("Otra vez"), and a word that cannot
        // wrap takes a smaller size ("Prueba").
        const QRect inside = rect.adjusted(kButtonMargin, kButtonMargin, -kButtonMargin, -kButtonMargin);
        const QStringList words = parts.at(4).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const auto widest = [&words](const QFont& f) {
            int most = 0;
            for (const QString& word : words)
                most = std::max(most, QFontMetrics(f).horizontalAdvance(word));
            return most;
        };
        while (font.pixelSize() > kSmallestButtonFont && widest(font) > inside.width())
            font.setPixelSize(font.pixelSize() - 1);
        painter.setFont(font);
        painter.setPen(QColor(50, 40, 30));
        painter.drawText(inside, Qt::AlignCenter | Qt::TextWordWrap, parts.at(4));
    }
    const QString text = r.arg(QStringLiteral("text"));
    if (!text.isEmpty()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setPen(parseColour(r.arg(QStringLiteral("ink"), QStringLiteral("#ffffff"))));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(r.arg(QStringLiteral("font"), QStringLiteral("24")).toInt());
        painter.setFont(font);
        // Small pictures (a screen's buttons) need the room for their captions.
        const int margin = r.arg(QStringLiteral("margin"), QStringLiteral("8")).toInt();
        painter.drawText(image.rect().adjusted(margin, margin, -margin, -margin), Qt::AlignCenter | Qt::TextWordWrap, text);
    }
    if (!image.save(r.output))
        throw CourseError(QStringLiteral("cannot write picture %1").arg(r.output));
}

} // namespace

QString MediaRecipes::Recipe::required(const QString& key) const
{
    if (!args.contains(key))
        throw CourseError(QStringLiteral("%1 recipe for %2 needs %3=").arg(kind, output, key));
    return args.value(key);
}

MediaRecipes::MediaRecipes(const QString& source, const QString& output)
    : m_source(source)
    , m_output(output)
{
    addKind(QStringLiteral("tone"), makeTone);
    addKind(QStringLiteral("speech"), makeSpeech);
    addKind(QStringLiteral("picture"), makePicture);
    addKind(QStringLiteral("melody"), makeMelody);
    addKind(QStringLiteral("hand"), makeHand);
    addKind(QStringLiteral("map"), [this](const Recipe& r) { MapRecipe(m_source, m_output).make(r); });
    addKind(QStringLiteral("panorama"), PanoramaRecipe::make);
    addKind(QStringLiteral("video"), VideoRecipe::make);
    LessonArtRecipe::addKinds(*this, m_source, m_output);
    WindowArtRecipe::addKinds(*this, m_output);
    TestArtRecipe::addKinds(*this, m_output);
}

void MediaRecipes::addKind(const QString& kind, Maker maker)
{
    m_makers.insert(kind, std::move(maker));
}

QStringList MediaRecipes::splitWords(const QString& line)
{
    QStringList words;
    QString word;
    bool quoted = false;
    bool any = false;
    for (const QChar c : line) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            any = true;
        } else if (c.isSpace() && !quoted) {
            if (any)
                words << word;
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (quoted)
        throw CourseError(QStringLiteral("unterminated quote"));
    if (any)
        words << word;
    return words;
}

void MediaRecipes::run(const QString& file)
{
    const QStringList lines = readTextFile(file).split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = lines.at(n).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        try {
            const QStringList words = splitWords(line);
            if (words.size() < 2)
                throw CourseError(QStringLiteral("a recipe needs a kind and an output file"));
            Recipe recipe;
            recipe.kind = words.at(0);
            recipe.output = m_output + QLatin1Char('/') + words.at(1);
            for (qsizetype i = 2; i < words.size(); ++i) {
                const qsizetype eq = words.at(i).indexOf(QLatin1Char('='));
                if (eq <= 0)
                    throw CourseError(QStringLiteral("'%1' is not key=value").arg(words.at(i)));
                recipe.args.insert(words.at(i).left(eq), words.at(i).mid(eq + 1));
            }
            const auto maker = m_makers.constFind(recipe.kind);
            if (maker == m_makers.cend())
                throw CourseError(QStringLiteral("unknown recipe kind '%1'").arg(recipe.kind));
            QDir().mkpath(QFileInfo(recipe.output).path());
            (*maker)(recipe);
        } catch (const CourseError& error) {
            throw CourseError(QStringLiteral("%1:%2: %3").arg(file).arg(n + 1).arg(error.message()));
        }
    }
}

bool MediaRecipes::isPcmWave(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(4096);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return false;
    // Walk the chunks to "fmt "; its first field is the coding, 1 for PCM.
    qsizetype at = 12;
    while (at + 8 <= head.size()) {
        const quint32 size = qFromLittleEndian<quint32>(head.constData() + at + 4);
        if (head.mid(at, 4) == "fmt ")
            return at + 10 <= head.size() && qFromLittleEndian<quint16>(head.constData() + at + 8) == 1;
        at += 8 + qsizetype(size) + (size & 1);
    }
    return false;
}

void MediaRecipes::convertToPcm(const QString& file, const QString& target)
{
    runTool(QStringLiteral("sox"), { file, QStringLiteral("-e"), QStringLiteral("signed-integer"), QStringLiteral("-b"), QStringLiteral("16"), target });
}

QString MediaRecipes::runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted())
        throw CourseError(QStringLiteral("cannot start %1 (is it installed?)").arg(program));
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw CourseError(QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(process.readAllStandardError()).trimmed()));
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}
