#include "MapPainter.h"

#include "DrawingKit.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QtMath>

namespace {

const QColor kSeaDeep(38, 104, 150);
const QColor kSeaLight(110, 173, 204);
const QColor kGrass(167, 201, 87);
const QColor kSand(241, 220, 167);
const QColor kTownGround(236, 226, 200);
const QColor& kWood = DrawingKit::wood;
const QColor& kWoodDark = DrawingKit::woodDark;
const QColor& kInk = DrawingKit::woodInk;
const QColor kLitInk(138, 28, 28);

QPainterPath regionPath(const MapPlan::Region& region)
{
    QPainterPath path = DrawingKit::smoothClosedPath(region.points);
    path.setFillRule(Qt::WindingFill);
    return path;
}

// A small tree: a trunk and a round crown with a lit side.
void drawTree(QPainter& painter, const QPointF& at, qreal size, const QColor& crown)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(110, 72, 40));
    painter.drawRect(QRectF(at.x() - size * 0.12, at.y(), size * 0.24, size * 0.5));
    QRadialGradient g(at + QPointF(-size * 0.2, -size * 0.35), size * 0.7);
    g.setColorAt(0, crown.lighter(135));
    g.setColorAt(1, crown.darker(115));
    painter.setBrush(g);
    painter.drawEllipse(at + QPointF(0, -size * 0.15), size * 0.45, size * 0.45);
}

// A small house seen from the front: walls, a red roof and a door.
void drawHouse(QPainter& painter, const QPointF& at, qreal size, const QColor& walls, const QColor& roof)
{
    painter.setPen(QPen(QColor(90, 60, 40), 0.8));
    painter.setBrush(walls);
    painter.drawRect(QRectF(at.x() - size / 2, at.y() - size * 0.45, size, size * 0.7));
    painter.setBrush(roof);
    painter.drawPolygon(QPolygonF { at + QPointF(-size * 0.65, -size * 0.4), at + QPointF(0, -size * 0.95), at + QPointF(size * 0.65, -size * 0.4) });
    painter.setBrush(QColor(110, 72, 40));
    painter.drawRect(QRectF(at.x() - size * 0.12, at.y() - size * 0.1, size * 0.24, size * 0.35));
}

} // namespace

MapPainter::MapPainter(const MapPlan& plan)
    : m_plan(plan)
{
}

QImage MapPainter::render(int highlight, ButtonLook look) const
{
    QImage image(m_plan.size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawGround(painter);
    drawStrokes(painter);
    for (const MapPlan::Region& region : m_plan.regions)
        drawRegion(painter, region, region.chapter == highlight);
    drawTitle(painter);
    drawBar(painter, look);
    return image;
}

QImage MapPainter::renderMask() const
{
    QImage mask(m_plan.size, QImage::Format_RGB32);
    mask.fill(Qt::black);
    QPainter painter(&mask);
    // Exact colours only: an antialiased edge would make colours that name no region.
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const MapPlan::Region& region : m_plan.regions)
        painter.fillPath(regionPath(region), region.maskColour);
    return mask;
}

void MapPainter::drawGround(QPainter& painter) const
{
    const QRectF all(QPointF(0, 0), m_plan.size);
    QRandomGenerator random(20240611);
    if (m_plan.scene == QLatin1String("island")) {
        QLinearGradient sea(all.topLeft(), all.bottomRight());
        sea.setColorAt(0, kSeaLight);
        sea.setColorAt(1, kSeaDeep);
        painter.fillRect(all, sea);
        // Little wave marks scattered over the water.
        painter.setPen(QPen(QColor(255, 255, 255, 110), 1.4, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 90; ++i) {
            const QPointF at(random.bounded(m_plan.size.width()), random.bounded(m_plan.size.height()));
            QPainterPath wave(at);
            wave.quadTo(at + QPointF(4, -4), at + QPointF(8, 0));
            wave.quadTo(at + QPointF(12, -4), at + QPointF(16, 0));
            painter.drawPath(wave);
        }
        for (const QList<QPointF>& points : m_plan.lands) {
            const QPainterPath land = DrawingKit::smoothClosedPath(points);
            painter.strokePath(land, QPen(QColor(190, 228, 236, 150), 34, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.strokePath(land, QPen(kSand, 16, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            QLinearGradient grass(land.boundingRect().topLeft(), land.boundingRect().bottomRight());
            grass.setColorAt(0, kGrass.lighter(110));
            grass.setColorAt(1, kGrass.darker(112));
            painter.fillPath(land, grass);
            painter.save();
            painter.setClipPath(land);
            for (int i = 0; i < 70; ++i) {
                const QRectF box = land.boundingRect();
                const QPointF at(box.left() + random.bounded(box.width()), box.top() + random.bounded(box.height()));
                drawTree(painter, at, 9 + random.bounded(5), QColor(76, 140, 60));
            }
            painter.restore();
        }
        drawCompass(painter, QPointF(all.right() - 44, 62), 26);
        // A sailing boat in the open water.
        const QPointF boat(all.left() + 40, all.top() + 395);
        painter.setPen(QPen(kWoodDark, 1));
        painter.setBrush(kWood);
        painter.drawPolygon(QPolygonF { boat + QPointF(-14, 0), boat + QPointF(14, 0), boat + QPointF(9, 7), boat + QPointF(-9, 7) });
        painter.setBrush(Qt::white);
        painter.drawPolygon(QPolygonF { boat + QPointF(0, -2), boat + QPointF(0, -26), boat + QPointF(12, -3) });
        painter.setBrush(QColor(230, 90, 70));
        painter.drawPolygon(QPolygonF { boat + QPointF(-2, -3), boat + QPointF(-2, -20), boat + QPointF(-12, -3) });
        return;
    }
    // A town: a paper-coloured ground, parks, and houses wherever no road or river runs.
    painter.fillRect(all, kTownGround);
    for (const QList<QPointF>& points : m_plan.lands)
        painter.fillPath(DrawingKit::smoothClosedPath(points), QColor(184, 214, 140));
    QPainterPath busy;
    for (const MapPlan::Stroke& stroke : m_plan.strokes) {
        QPainterPathStroker stroker;
        stroker.setWidth(stroke.width + 18);
        busy.addPath(stroker.createStroke(DrawingKit::smoothOpenPath(stroke.points)));
    }
    for (const QList<QPointF>& points : m_plan.lands)
        busy.addPath(DrawingKit::smoothClosedPath(points));
    busy.setFillRule(Qt::WindingFill);
    const QColor roofs[] = { QColor(196, 86, 66), QColor(170, 110, 80), QColor(120, 100, 150), QColor(200, 130, 60) };
    for (int y = 70; y < m_plan.size.height() - 40; y += 24) {
        for (int x = 14; x < m_plan.size.width() - 10; x += 24) {
            const QPointF at(x + random.bounded(8), y + random.bounded(6));
            if (busy.intersects(QRectF(at.x() - 9, at.y() - 12, 18, 14)))
                continue;
            drawHouse(painter, at, 12, QColor(250, 244, 228), roofs[random.bounded(4)]);
        }
    }
    for (const QList<QPointF>& points : m_plan.lands) {
        const QRectF box = DrawingKit::smoothClosedPath(points).boundingRect();
        for (int i = 0; i < 14; ++i)
            drawTree(painter, QPointF(box.left() + 8 + random.bounded(box.width() - 16), box.top() + 12 + random.bounded(box.height() - 20)), 11, QColor(70, 135, 60));
    }
    drawCompass(painter, QPointF(all.right() - 44, 62), 26);
}

void MapPainter::drawStrokes(QPainter& painter) const
{
    for (const MapPlan::Stroke& stroke : m_plan.strokes) {
        const QPainterPath path = DrawingKit::smoothOpenPath(stroke.points);
        if (stroke.kind == MapPlan::Stroke::Kind::River) {
            painter.strokePath(path, QPen(QColor(70, 130, 180), stroke.width + 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.strokePath(path, QPen(QColor(120, 180, 220), stroke.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        } else {
            painter.strokePath(path, QPen(QColor(150, 135, 115), stroke.width + 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.strokePath(path, QPen(QColor(222, 214, 196), stroke.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.strokePath(path, QPen(QColor(255, 255, 255, 200), 1.5, Qt::DashLine, Qt::FlatCap));
        }
    }
}

void MapPainter::drawRegion(QPainter& painter, const MapPlan::Region& region, bool highlighted) const
{
    const QPainterPath path = regionPath(region);
    const QRectF box = path.boundingRect();
    painter.fillPath(path.translated(2, 3), QColor(0, 0, 0, 55));
    const QColor base = highlighted ? region.fill.lighter(122) : region.fill;
    QLinearGradient fill(box.topLeft(), box.bottomRight());
    fill.setColorAt(0, base.lighter(112));
    fill.setColorAt(1, base.darker(108));
    painter.fillPath(path, fill);
    painter.save();
    painter.setClipPath(path);
    drawDecor(painter, region);
    if (highlighted) {
        // An inner glow: the wide pens are clipped to the region, so that nothing of the
        // highlight falls outside the region's box.
        painter.strokePath(path, QPen(QColor(255, 250, 200, 150), 18, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.strokePath(path, QPen(QColor(255, 255, 255, 230), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }
    painter.restore();
    painter.strokePath(path, QPen(highlighted ? QColor(255, 236, 150) : region.fill.darker(150), 2));
    const QFont font = DrawingKit::font(12, QFont::Bold);
    if (highlighted)
        DrawingKit::drawPlaque(painter, region.labelCentre(), region.name, font, QColor(255, 209, 102), kLitInk, QColor(181, 101, 29));
    else
        DrawingKit::drawPlaque(painter, region.labelCentre(), region.name, font, QColor(255, 250, 235), kInk, region.fill.darker(160));
}

void MapPainter::drawDecor(QPainter& painter, const MapPlan::Region& region) const
{
    const QPainterPath path = regionPath(region);
    const QRectF box = path.boundingRect();
    QRandomGenerator random(quint32(region.chapter) * 7919u);
    const QPointF label = region.labelCentre();
    const auto freeSpot = [&](const QPointF& at) {
        // Keep the middle free for the region's name.
        return path.contains(at) && (qAbs(at.x() - label.x()) > 62 || qAbs(at.y() - label.y()) > 24);
    };
    if (region.decor == QLatin1String("fields")) {
        painter.setPen(QPen(region.fill.darker(118), 2));
        for (qreal x = box.left() - box.height(); x < box.right(); x += 9)
            painter.drawLine(QPointF(x, box.bottom()), QPointF(x + box.height(), box.top()));
        return;
    }
    if (region.decor == QLatin1String("hills")) {
        for (int i = 0; i < 6; ++i) {
            const QPointF at(box.left() + random.bounded(box.width()), box.top() + 20 + random.bounded(box.height()));
            QPainterPath hill(at + QPointF(-26, 0));
            hill.quadTo(at + QPointF(0, -30), at + QPointF(26, 0));
            painter.fillPath(hill, region.fill.darker(112));
            painter.strokePath(hill, QPen(region.fill.darker(130), 1.2));
        }
        return;
    }
    const bool trees = region.decor == QLatin1String("trees");
    const bool houses = region.decor == QLatin1String("houses");
    if (!trees && !houses)
        return;
    const QColor roofs[] = { QColor(196, 86, 66), QColor(160, 90, 60), QColor(110, 90, 150) };
    for (qreal y = box.top() + 10; y < box.bottom(); y += 19) {
        for (qreal x = box.left() + 8; x < box.right(); x += 21) {
            const QPointF at(x + random.bounded(7), y + random.bounded(5));
            if (!freeSpot(at) || !path.contains(at + QPointF(-8, -10)) || !path.contains(at + QPointF(8, 6)))
                continue;
            if (trees)
                drawTree(painter, at, 12, QColor(60, 130, 60));
            else
                drawHouse(painter, at, 11, QColor(252, 246, 232), roofs[random.bounded(3)]);
        }
    }
}

void MapPainter::drawTitle(QPainter& painter) const
{
    if (m_plan.title.isEmpty())
        return;
    const QFont font = DrawingKit::font(22, QFont::Bold);
    const qreal width = QFontMetricsF(font).horizontalAdvance(m_plan.title) + 60;
    const qreal cx = m_plan.size.width() / 2.0;
    const QRectF band(cx - width / 2, 10, width, 36);
    // A ribbon: folded tails behind a band.
    painter.setPen(QPen(kWoodDark, 1.2));
    painter.setBrush(QColor(168, 50, 45));
    for (const int side : { -1, 1 }) {
        const qreal x = side < 0 ? band.left() : band.right();
        painter.drawPolygon(QPolygonF { QPointF(x - side * 10, band.top() + 8), QPointF(x + side * 24, band.top() + 8),
            QPointF(x + side * 14, band.center().y() + 4), QPointF(x + side * 24, band.bottom() + 8), QPointF(x - side * 10, band.bottom() + 8) });
    }
    QLinearGradient g(band.topLeft(), band.bottomLeft());
    g.setColorAt(0, QColor(222, 78, 66));
    g.setColorAt(1, QColor(180, 52, 46));
    painter.setBrush(g);
    painter.drawRoundedRect(band, 4, 4);
    DrawingKit::drawHaloText(painter, band.center(), m_plan.title, font, QColor(255, 246, 220), QColor(110, 30, 25));
}

void MapPainter::drawCompass(QPainter& painter, const QPointF& centre, qreal radius) const
{
    painter.save();
    painter.setPen(QPen(kWoodDark, 1.2));
    painter.setBrush(QColor(255, 250, 235, 220));
    painter.drawEllipse(centre, radius, radius);
    for (int i = 0; i < 4; ++i) {
        painter.save();
        painter.translate(centre);
        painter.rotate(90 * i);
        painter.setBrush(i == 0 ? QColor(190, 50, 45) : QColor(90, 70, 50));
        painter.drawPolygon(QPolygonF { QPointF(0, -radius + 3), QPointF(5, 0), QPointF(-5, 0) });
        painter.restore();
    }
    painter.setFont(DrawingKit::font(10, QFont::Bold));
    painter.setPen(kWoodDark);
    painter.drawText(QRectF(centre.x() - 8, centre.y() - radius - 14, 16, 13), Qt::AlignCenter, QStringLiteral("N"));
    painter.restore();
}

void MapPainter::drawBar(QPainter& painter, ButtonLook look) const
{
    if (m_plan.bar.isValid()) {
        const QRectF bar = m_plan.bar;
        QLinearGradient wood(bar.topLeft(), bar.bottomLeft());
        wood.setColorAt(0, kWood.lighter(112));
        wood.setColorAt(1, kWoodDark);
        painter.fillRect(bar, wood);
        QRandomGenerator random(4242);
        painter.setPen(QPen(QColor(60, 36, 18, 70), 1));
        for (int i = 0; i < 12; ++i) {
            const qreal y = bar.top() + 4 + random.bounded(bar.height() - 8);
            painter.drawLine(QPointF(bar.left(), y), QPointF(bar.right(), y + random.bounded(3) - 1));
        }
        painter.setPen(QPen(QColor(220, 180, 130), 2));
        painter.drawLine(bar.topLeft() + QPointF(0, 1), bar.topRight() + QPointF(0, 1));
    }
    for (const MapPlan::Button& button : m_plan.buttons)
        drawButton(painter, button, look);
}

void MapPainter::drawButton(QPainter& painter, const MapPlan::Button& button, ButtonLook look) const
{
    const QRectF rect = QRectF(button.rect).adjusted(2, 2, -2, -2);
    painter.save();
    if (look == ButtonLook::Lit) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 224, 102, 150));
        painter.drawRoundedRect(QRectF(button.rect), 8, 8);
    }
    QLinearGradient tile(rect.topLeft(), rect.bottomLeft());
    tile.setColorAt(0, look == ButtonLook::Lit ? QColor(255, 248, 200) : QColor(251, 241, 220));
    tile.setColorAt(1, look == ButtonLook::Lit ? QColor(255, 200, 74) : QColor(226, 205, 166));
    painter.setPen(QPen(look == ButtonLook::Lit ? QColor(255, 255, 255) : kWoodDark, 1.5));
    painter.setBrush(tile);
    painter.drawRoundedRect(rect, 6, 6);
    const QColor ink = look == ButtonLook::Lit ? kLitInk : kInk;
    const qreal iconSize = qMin(rect.width() - 8, rect.height() - 16);
    drawIcon(painter, button.icon, QRectF(rect.center().x() - iconSize / 2, rect.top() + 2, iconSize, iconSize), ink, look);
    painter.setFont(DrawingKit::font(9, QFont::Bold));
    painter.setPen(ink);
    painter.drawText(QRectF(rect.left(), rect.bottom() - 13, rect.width(), 12), Qt::AlignCenter, button.label);
    painter.restore();
}

void MapPainter::drawIcon(QPainter& painter, const QString& icon, const QRectF& box, const QColor& ink, ButtonLook look)
{
    painter.save();
    painter.translate(box.topLeft());
    painter.scale(box.width() / 24.0, box.height() / 24.0);
    const QPen pen(ink, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    if (icon == QLatin1String("subir")) {
        painter.setBrush(ink);
        painter.drawPolygon(QPolygonF { { 12, 2 }, { 21, 11 }, { 15.5, 11 }, { 15.5, 21 }, { 8.5, 21 }, { 8.5, 11 }, { 3, 11 } });
    } else if (icon == QLatin1String("navegar")) {
        painter.drawEllipse(QPointF(12, 12), 10, 10);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(200, 50, 40));
        painter.drawPolygon(QPolygonF { { 12, 3 }, { 15, 12 }, { 9, 12 } });
        painter.setBrush(ink);
        painter.drawPolygon(QPolygonF { { 12, 21 }, { 15, 12 }, { 9, 12 } });
    } else if (icon == QLatin1String("sonido")) {
        painter.setBrush(ink);
        painter.drawPolygon(QPolygonF { { 2, 9 }, { 7, 9 }, { 13, 3 }, { 13, 21 }, { 7, 15 }, { 2, 15 } });
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(QRectF(9, 6, 8, 12), -60 * 16, 120 * 16);
        painter.drawArc(QRectF(8, 2, 14, 20), -60 * 16, 120 * 16);
        if (look == MapPainter::ButtonLook::Lit) {
            // Lit, the button shows the sound switched off, which is also its latched look.
            painter.setPen(QPen(QColor(210, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(2, 22), QPointF(22, 2));
        }
    } else if (icon == QLatin1String("volumen")) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        for (int i = 0; i < 5; ++i)
            painter.drawRect(QRectF(2 + i * 4.4, 20 - (i + 1) * 3.6, 3, (i + 1) * 3.6));
    } else if (icon == QLatin1String("ayuda")) {
        painter.drawEllipse(QPointF(12, 12), 10, 10);
        painter.setFont(DrawingKit::font(15, QFont::Bold));
        painter.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, QStringLiteral("?"));
    } else if (icon == QLatin1String("glosario")) {
        painter.setBrush(QColor(255, 255, 255, 120));
        painter.drawPolygon(QPolygonF { { 12, 6 }, { 2, 3 }, { 2, 19 }, { 12, 22 } });
        painter.drawPolygon(QPolygonF { { 12, 6 }, { 22, 3 }, { 22, 19 }, { 12, 22 } });
        painter.setFont(DrawingKit::font(7, QFont::Bold));
        painter.drawText(QRectF(3, 8, 9, 10), Qt::AlignCenter, QStringLiteral("A"));
        painter.drawText(QRectF(12, 8, 9, 10), Qt::AlignCenter, QStringLiteral("Z"));
    } else if (icon == QLatin1String("borrar")) {
        painter.translate(12, 12);
        painter.rotate(-35);
        painter.setBrush(QColor(240, 120, 140));
        painter.drawRect(QRectF(-10, -5, 12, 10));
        painter.setBrush(QColor(90, 120, 200));
        painter.drawRect(QRectF(2, -5, 8, 10));
    } else if (icon == QLatin1String("postal")) {
        painter.drawRect(QRectF(2, 4, 20, 16));
        painter.setBrush(ink);
        painter.drawPolygon(QPolygonF { { 3, 19 }, { 9, 11 }, { 13, 16 }, { 16, 13 }, { 21, 19 } });
        painter.setBrush(QColor(240, 170, 40));
        painter.drawEllipse(QPointF(17, 8.5), 2.2, 2.2);
    } else if (icon == QLatin1String("panorama")) {
        painter.drawRoundedRect(QRectF(1, 6, 22, 13), 3, 3);
        painter.setBrush(ink);
        QPainterPath hills(QPointF(2, 18));
        hills.quadTo(7, 9, 12, 15);
        hills.quadTo(17, 8, 22, 18);
        hills.closeSubpath();
        painter.drawPath(hills);
    } else if (icon == QLatin1String("salir")) {
        painter.setBrush(QColor(255, 255, 255, 120));
        painter.drawRect(QRectF(3, 2, 11, 20));
        painter.setBrush(ink);
        painter.drawEllipse(QPointF(11.5, 12), 1, 1);
        painter.drawLine(QPointF(12, 12), QPointF(22, 12));
        painter.drawPolyline(QPolygonF { { 18, 8 }, { 22, 12 }, { 18, 16 } });
    }
    painter.restore();
}

bool MapPainter::knowsIcon(const QString& icon)
{
    static const QStringList icons { QStringLiteral("subir"), QStringLiteral("navegar"), QStringLiteral("sonido"), QStringLiteral("volumen"),
        QStringLiteral("ayuda"), QStringLiteral("glosario"), QStringLiteral("borrar"), QStringLiteral("postal"), QStringLiteral("panorama"),
        QStringLiteral("salir") };
    return icons.contains(icon);
}

QImage MapPainter::renderNavBox() const
{
    if (!m_plan.navBox)
        return {};
    const MapPlan::NavBox& box = *m_plan.navBox;
    QImage image(box.rect.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF all(QPointF(0, 0), box.rect.size());
    DrawingKit::drawPaperPanel(painter, all, QColor(246, 232, 200), QColor(222, 196, 150), 3, 5.5);
    painter.setFont(DrawingKit::font(12, QFont::Bold));
    painter.setPen(kInk);
    painter.drawText(QRectF(0, 7, all.width(), box.list.top() - 9), Qt::AlignCenter, box.title);
    // The navigation list lies here, in the same cream as its own background.
    painter.setPen(QPen(kWood, 1));
    painter.setBrush(QColor(255, 250, 235));
    painter.drawRect(QRectF(box.list).adjusted(-2.5, -2.5, 2.5, 2.5));
    return image;
}
