#include "AppIcon.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// The drawing is laid out on a 256-unit square and scaled to the size asked for.
constexpr qreal Units = 256;

const QColor tileTop(47, 118, 206);
const QColor tileBottom(22, 62, 122);
const QColor answer(255, 255, 255);
const QColor greeting(245, 166, 35);
const QColor ink(22, 62, 122);

// A rounded bubble over BODY with its tail from the bottom edge at TAILX out to TIP.
QPainterPath bubble(const QRectF& body, qreal radius, qreal tailX, const QPointF& tip)
{
    QPainterPath path;
    path.addRoundedRect(body, radius, radius);
    QPainterPath tail;
    tail.moveTo(tailX - 18, body.bottom() - 4);
    tail.lineTo(tip);
    tail.lineTo(tailX + 18, body.bottom() - 4);
    tail.closeSubpath();
    return path.united(tail);
}

void drawText(QPainter& painter, const QRectF& box, const QString& text, int pixels, const QColor& colour)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    font.setWeight(QFont::Bold);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(box, Qt::AlignCenter, text);
}

} // namespace

QImage AppIcon::draw(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.scale(size / Units, size / Units);

    const QRectF tile(12, 12, 232, 232);
    QLinearGradient sky(tile.topLeft(), tile.bottomLeft());
    sky.setColorAt(0, tileTop);
    sky.setColorAt(1, tileBottom);
    painter.setPen(Qt::NoPen);
    painter.setBrush(sky);
    painter.drawRoundedRect(tile, 44, 44);

    const QRectF back(96, 44, 128, 80);
    painter.setBrush(greeting);
    painter.drawPath(bubble(back, 26, 186, QPointF(206, 146)));
    const QRectF front(32, 100, 160, 104);
    painter.setBrush(answer);
    painter.drawPath(bubble(front, 30, 70, QPointF(50, 230)));

    // Below 32 pixels letters would only be smudges: the bubbles say enough.
    if (size >= 32) {
        drawText(painter, front, QStringLiteral("Hi!"), 60, ink);
        if (size >= 48)
            drawText(painter, back.adjusted(0, -4, 0, -4), QStringLiteral("¡Hola!"), 30, answer);
    }
    return image;
}
