#include "DrawingKit.h"

#include "CourseError.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

namespace DrawingKit {

namespace {

// The Catmull-Rom segment from P1 to P2, as a cubic Bézier with the same tangents.
void addSegment(QPainterPath& path, const QPointF& p0, const QPointF& p1, const QPointF& p2, const QPointF& p3)
{
    path.cubicTo(p1 + (p2 - p0) / 6.0, p2 - (p3 - p1) / 6.0, p2);
}

QStringList numbers(const QString& text, int count, const QString& what, const QChar separator = QLatin1Char(','))
{
    const QStringList parts = text.split(separator);
    if (parts.size() != count)
        throw CourseError(QStringLiteral("%1: '%2' should be %3 numbers separated by '%4'").arg(what, text).arg(count).arg(separator));
    for (const QString& part : parts) {
        bool ok = false;
        part.toDouble(&ok);
        if (!ok)
            throw CourseError(QStringLiteral("%1: '%2' is not a number").arg(what, part));
    }
    return parts;
}

} // namespace

QPainterPath smoothClosedPath(const QList<QPointF>& points)
{
    QPainterPath path;
    const qsizetype n = points.size();
    if (n < 3)
        return path;
    path.moveTo(points.at(0));
    for (qsizetype i = 0; i < n; ++i)
        addSegment(path, points.at((i + n - 1) % n), points.at(i), points.at((i + 1) % n), points.at((i + 2) % n));
    path.closeSubpath();
    return path;
}

QPainterPath smoothOpenPath(const QList<QPointF>& points)
{
    QPainterPath path;
    const qsizetype n = points.size();
    if (n < 2)
        return path;
    path.moveTo(points.at(0));
    for (qsizetype i = 0; i + 1 < n; ++i)
        addSegment(path, points.at(qMax<qsizetype>(i - 1, 0)), points.at(i), points.at(i + 1), points.at(qMin(i + 2, n - 1)));
    return path;
}

QList<QPointF> parsePoints(const QString& text, const QString& what, int minimum)
{
    QList<QPointF> points;
    const QStringList pairs = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& pair : pairs) {
        const QStringList xy = numbers(pair, 2, what);
        points << QPointF(xy[0].toDouble(), xy[1].toDouble());
    }
    if (points.size() < minimum)
        throw CourseError(QStringLiteral("%1 needs at least %2 points, has %3").arg(what).arg(minimum).arg(points.size()));
    return points;
}

QColor parseRgb(const QString& text, const QString& what)
{
    const QStringList rgb = numbers(text, 3, what);
    int c[3] = {};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        c[i] = rgb[i].toInt(&ok);
        if (!ok || c[i] < 0 || c[i] > 255)
            throw CourseError(QStringLiteral("%1: '%2' is not a colour component 0-255").arg(what, rgb[i]));
    }
    return QColor(c[0], c[1], c[2]);
}

QColor parseColour(const QString& text, const QString& what)
{
    const QColor colour = QColor::fromString(text);
    if (!colour.isValid())
        throw CourseError(QStringLiteral("%1: '%2' is not a colour").arg(what, text));
    return colour;
}

QRect parseRect(const QString& text, const QString& what)
{
    const QStringList v = numbers(text, 4, what);
    const QRect rect(v[0].toInt(), v[1].toInt(), v[2].toInt(), v[3].toInt());
    if (rect.isEmpty())
        throw CourseError(QStringLiteral("%1: '%2' has no area").arg(what, text));
    return rect;
}

QSize parseSize(const QString& text, const QString& what)
{
    const QStringList v = numbers(text, 2, what, QLatin1Char('x'));
    const QSize size(v[0].toInt(), v[1].toInt());
    if (size.isEmpty())
        throw CourseError(QStringLiteral("%1: '%2' is not WIDTHxHEIGHT").arg(what, text));
    return size;
}

int parseInt(const QString& text, const QString& what)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        throw CourseError(QStringLiteral("%1: '%2' is not a whole number").arg(what, text));
    return value;
}

QFont font(int pixels, QFont::Weight weight)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setWeight(weight);
    return f;
}

void drawHaloText(QPainter& painter, const QPointF& centre, const QString& text, const QFont& f,
    const QColor& ink, const QColor& halo)
{
    QPainterPath path;
    const QFontMetricsF metrics(f);
    const QPointF origin(centre.x() - metrics.horizontalAdvance(text) / 2, centre.y() + (metrics.ascent() - metrics.descent()) / 2);
    path.addText(origin, f, text);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.strokePath(path, QPen(halo, qMax(2.0, f.pixelSize() / 5.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(path, ink);
    painter.restore();
}

QRectF drawPlaque(QPainter& painter, const QPointF& centre, const QString& text, const QFont& f,
    const QColor& fill, const QColor& ink, const QColor& border)
{
    const QStringList lines = text.split(QLatin1Char('|'));
    const QFontMetricsF metrics(f);
    qreal width = 0;
    for (const QString& line : lines)
        width = qMax(width, metrics.horizontalAdvance(line));
    const qreal lineHeight = metrics.height();
    QRectF box(0, 0, width + 14, lineHeight * lines.size() + 6);
    box.moveCenter(centre);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 60));
    painter.drawRoundedRect(box.translated(1.5, 2), 7, 7);
    painter.setPen(QPen(border, 1.5));
    painter.setBrush(fill);
    painter.drawRoundedRect(box, 7, 7);
    painter.setFont(f);
    painter.setPen(ink);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QRectF lineBox(box.left(), box.top() + 3 + i * lineHeight, box.width(), lineHeight);
        painter.drawText(lineBox, Qt::AlignCenter, lines.at(i));
    }
    painter.restore();
    return box;
}

void savePicture(const QImage& image, const QString& file)
{
    QDir().mkpath(QFileInfo(file).path());
    // Qt writes 32-bit images as 24-bit bitmaps; drop any alpha first so that it always does.
    const QImage opaque = image.convertToFormat(QImage::Format_RGB32);
    if (!opaque.save(file))
        throw CourseError(QStringLiteral("cannot write picture %1").arg(file));
}

QString courseName(const QString& name)
{
    QString result = name;
    return result.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

void drawPaperPanel(QPainter& painter, const QRectF& all, const QColor& light, const QColor& dark, qreal border, qreal inset)
{
    QLinearGradient paper(all.topLeft(), all.bottomRight());
    paper.setColorAt(0, light);
    paper.setColorAt(1, dark);
    painter.fillRect(all, paper);
    const qreal half = border / 2;
    painter.setPen(QPen(woodDark, border));
    painter.drawRect(all.adjusted(half, half, -half, -half));
    painter.setPen(QPen(wood, 1));
    painter.drawRect(all.adjusted(inset, inset, -inset, -inset));
}

} // namespace DrawingKit
