#include "PanoramaRecipe.h"

#include "CourseError.h"
#include "DrawingKit.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <cmath>

namespace {

// A band of hills: a smooth ridge through evenly spaced heights, filled down to BOTTOM.
QPainterPath ridge(qreal width, qreal bottom, const QList<qreal>& heights)
{
    QList<QPointF> points;
    for (qsizetype i = 0; i < heights.size(); ++i)
        points << QPointF(width * qreal(i) / qreal(heights.size() - 1), heights.at(i));
    QPainterPath path = DrawingKit::smoothOpenPath(points);
    path.lineTo(width, bottom);
    path.lineTo(0, bottom);
    path.closeSubpath();
    return path;
}

void drawCloud(QPainter& painter, const QPointF& at, qreal size, const QColor& colour)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(at, size, size * 0.6);
    painter.drawEllipse(at + QPointF(size * 0.8, size * 0.1), size * 0.75, size * 0.5);
    painter.drawEllipse(at + QPointF(-size * 0.8, size * 0.15), size * 0.7, size * 0.45);
}

} // namespace

void PanoramaRecipe::drawLandscape(QPainter& painter, const QSizeF& size, Mood mood, qreal phase)
{
    const qreal w = size.width();
    const qreal h = size.height();
    const qreal horizon = h * 0.62;
    const bool sunset = mood == Mood::Sunset;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0, sunset ? QColor(40, 46, 110) : QColor(70, 140, 215));
    sky.setColorAt(0.55, sunset ? QColor(214, 96, 110) : QColor(140, 196, 238));
    sky.setColorAt(1, sunset ? QColor(252, 186, 98) : QColor(222, 240, 250));
    painter.fillRect(QRectF(0, 0, w, horizon + 1), sky);

    const QPointF sun(w * (sunset ? 0.62 : 0.78), sunset ? horizon - h * 0.13 : h * 0.2);
    QRadialGradient glow(sun, h * 0.22);
    glow.setColorAt(0, QColor(255, 240, 180, 200));
    glow.setColorAt(1, QColor(255, 240, 180, 0));
    painter.fillRect(QRectF(0, 0, w, horizon), glow);
    painter.setPen(Qt::NoPen);
    painter.setBrush(sunset ? QColor(255, 214, 120) : QColor(255, 244, 190));
    painter.drawEllipse(sun, h * 0.07, h * 0.07);

    const QColor cloud = sunset ? QColor(255, 200, 190, 150) : QColor(255, 255, 255, 210);
    for (int i = 0; i < 4; ++i) {
        const qreal x = std::fmod(w * (0.12 + 0.27 * i) + phase * w * 0.15, w * 1.1) - w * 0.05;
        drawCloud(painter, QPointF(x, h * (0.1 + 0.07 * (i % 2))), h * 0.045, cloud);
    }

    // Sea below the horizon, with the sun's glitter.
    QLinearGradient sea(0, horizon, 0, h);
    sea.setColorAt(0, sunset ? QColor(200, 110, 120) : QColor(90, 160, 200));
    sea.setColorAt(1, sunset ? QColor(50, 50, 110) : QColor(30, 90, 150));
    painter.fillRect(QRectF(0, horizon, w, h - horizon), sea);
    painter.setPen(QPen(QColor(255, 230, 170, 160), h / 240.0));
    QRandomGenerator random(77);
    for (int i = 0; i < 14; ++i) {
        const qreal y = horizon + (h - horizon) * (0.08 + 0.06 * i);
        const qreal half = w * (0.02 + 0.01 * random.bounded(4));
        painter.drawLine(QPointF(sun.x() - half, y), QPointF(sun.x() + half, y));
    }

    // Hills in three layers, the farthest palest, then a town on the nearest one.
    const QColor far = sunset ? QColor(150, 90, 120) : QColor(140, 180, 170);
    const QColor mid = sunset ? QColor(110, 70, 100) : QColor(110, 170, 110);
    const QColor near = sunset ? QColor(70, 48, 80) : QColor(80, 145, 80);
    painter.setPen(Qt::NoPen);
    painter.fillPath(ridge(w, horizon, { horizon * 0.86, horizon * 0.78, horizon * 0.9, horizon * 0.82, horizon * 0.93, horizon }), far);
    painter.fillPath(ridge(w * 0.55, horizon + h * 0.02, { horizon * 0.9, horizon * 0.84, horizon * 0.95, horizon + h * 0.02 }), mid);
    const QPainterPath nearHill = ridge(w * 0.42, h * 0.78, { horizon * 0.93, horizon * 0.9, horizon + h * 0.05, h * 0.78 });
    painter.fillPath(nearHill, near);
    const qreal unit = h / 48.0;
    for (int i = 0; i < 7; ++i) {
        const qreal x = w * 0.03 + i * unit * 3.2;
        const qreal base = horizon * 0.94 + i * unit * 0.35;
        const qreal height = unit * (2.5 + (i * 37 % 5) * 0.6);
        painter.setBrush(sunset ? QColor(50, 34, 60) : QColor(250, 240, 220));
        painter.drawRect(QRectF(x, base - height, unit * 2.6, height + unit));
        painter.setBrush(sunset ? QColor(40, 26, 50) : QColor(200, 90, 70));
        painter.drawPolygon(QPolygonF { QPointF(x - unit * 0.3, base - height), QPointF(x + unit * 1.3, base - height - unit * 1.4),
            QPointF(x + unit * 2.9, base - height) });
        if (sunset) {
            painter.setBrush(QColor(255, 214, 120));
            painter.drawRect(QRectF(x + unit * 0.9, base - height + unit * 0.8, unit * 0.7, unit * 0.7));
        }
    }
    // A few birds.
    painter.setPen(QPen(sunset ? QColor(60, 40, 70) : QColor(60, 70, 90), h / 300.0 + 0.8, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    for (int i = 0; i < 4; ++i) {
        const QPointF at(w * (0.3 + 0.06 * i) + phase * w * 0.1, h * (0.24 + 0.03 * (i % 2)));
        QPainterPath bird(at + QPointF(-unit * 0.8, 0));
        bird.quadTo(at + QPointF(-unit * 0.4, -unit * 0.5), at);
        bird.quadTo(at + QPointF(unit * 0.4, -unit * 0.5), at + QPointF(unit * 0.8, 0));
        painter.drawPath(bird);
    }
    painter.restore();
}

void PanoramaRecipe::make(const MediaRecipes::Recipe& recipe)
{
    const QSize size = DrawingKit::parseSize(recipe.required(QStringLiteral("size")), QStringLiteral("panorama size"));
    const QString moodName = recipe.arg(QStringLiteral("mood"), QStringLiteral("day"));
    if (moodName != QLatin1String("day") && moodName != QLatin1String("sunset"))
        throw CourseError(QStringLiteral("unknown mood '%1' (day or sunset)").arg(moodName));
    const Mood mood = moodName == QLatin1String("sunset") ? Mood::Sunset : Mood::Day;
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawLandscape(painter, size, mood);

    const qreal h = size.height();
    const QColor halo = mood == Mood::Sunset ? QColor(60, 30, 70) : QColor(30, 70, 120);
    DrawingKit::drawHaloText(painter, QPointF(size.width() / 2.0, h * 0.1), recipe.required(QStringLiteral("title")),
        DrawingKit::font(int(h * 0.09), QFont::Bold), QColor(255, 250, 235), halo);
    const QString subtitle = recipe.arg(QStringLiteral("subtitle"));
    if (!subtitle.isEmpty())
        DrawingKit::drawHaloText(painter, QPointF(size.width() / 2.0, h * 0.18), subtitle, DrawingKit::font(int(h * 0.042), QFont::Bold),
            QColor(255, 240, 200), halo);

    const QString frameText = recipe.arg(QStringLiteral("frame"));
    if (!frameText.isEmpty()) {
        const QRect frame = DrawingKit::parseRect(frameText, QStringLiteral("panorama frame"));
        if (!QRect(QPoint(0, 0), size).contains(frame.adjusted(-12, -12, 12, 12)))
            throw CourseError(QStringLiteral("panorama frame %1 leaves no room for its bezel inside %2x%3").arg(frameText).arg(size.width()).arg(size.height()));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 80));
        painter.drawRoundedRect(QRectF(frame).adjusted(-9, -7, 15, 17), 12, 12);
        QLinearGradient bezel(frame.topLeft(), frame.bottomLeft());
        bezel.setColorAt(0, QColor(120, 80, 50));
        bezel.setColorAt(1, QColor(70, 44, 24));
        painter.setPen(QPen(QColor(230, 200, 150), 2));
        painter.setBrush(bezel);
        painter.drawRoundedRect(QRectF(frame).adjusted(-11, -11, 11, 11), 12, 12);
        painter.fillRect(frame, Qt::black);
    }
    const QString caption = recipe.arg(QStringLiteral("caption"));
    if (!caption.isEmpty())
        DrawingKit::drawPlaque(painter, QPointF(size.width() / 2.0, h * 0.93), caption, DrawingKit::font(int(h * 0.032), QFont::Bold),
            QColor(255, 250, 235, 235), QColor(74, 44, 20), QColor(120, 80, 50));
    painter.end();
    DrawingKit::savePicture(image, recipe.output);
}
