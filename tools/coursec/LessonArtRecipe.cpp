#include "LessonArtRecipe.h"

#include "CourseError.h"
#include "DrawingKit.h"
#include "MapPainter.h"
#include "MapPlan.h"
#include "NarrationRecipe.h"
#include "PanoramaRecipe.h"
#include "ScreenMiniature.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QtMath>

namespace {

const QSize kScreen(640, 480);
const QRect kBar(0, 428, 640, 52);
const QRect kTopBar(0, 0, 640, 44);
const QRect kIconSlot(604, 444, 36, 36); // where the minimised panel's icon appears
const QColor& kWood = DrawingKit::wood;
const QColor& kWoodDark = DrawingKit::woodDark;
const QColor& kInk = DrawingKit::woodInk;
const QColor kPaper(251, 241, 220);

enum class Mood { Day, Sunset, Night };

Mood parseMood(const QString& text)
{
    if (text == QLatin1String("day"))
        return Mood::Day;
    if (text == QLatin1String("sunset"))
        return Mood::Sunset;
    if (text == QLatin1String("night"))
        return Mood::Night;
    throw CourseError(QStringLiteral("unknown mood '%1' (day, sunset or night)").arg(text));
}

/// The map painter's plan of the lesson bar, so that its buttons look like the maps'.
MapPlan barPlan()
{
    MapPlan plan;
    plan.scene = QStringLiteral("town");
    plan.bar = kBar;
    for (const LessonArtRecipe::BarButton& b : LessonArtRecipe::barButtons())
        plan.buttons << MapPlan::Button { b.accion, b.rect, b.icon, b.label, QString() };
    return plan;
}

void drawWoodBand(QPainter& painter, const QRect& band)
{
    QLinearGradient wood(band.topLeft(), band.bottomLeft());
    wood.setColorAt(0, kWood.lighter(112));
    wood.setColorAt(1, kWoodDark);
    painter.fillRect(band, wood);
    painter.setPen(QPen(QColor(220, 180, 130), 2));
    painter.drawLine(band.bottomLeft() - QPoint(0, 1), band.bottomRight() - QPoint(0, 1));
}

/// The frame around every lesson picture: a wooden band for the title, and the map's
/// button bar. The minimised panel's icon is a whole picture of its own: no empty recess
/// waits for it on screens that have no panel or while the panel is open.
void drawFrame(QPainter& painter, const QImage& bar)
{
    drawWoodBand(painter, kTopBar);
    painter.drawImage(kBar.topLeft(), bar.copy(kBar));
}

void drawBackdrop(QPainter& painter, Mood mood)
{
    PanoramaRecipe::drawLandscape(painter, kScreen, mood == Mood::Day ? PanoramaRecipe::Mood::Day : PanoramaRecipe::Mood::Sunset);
    if (mood != Mood::Night)
        return;
    // Night: the sunset darkened, with a moon and stars.
    painter.fillRect(QRect(QPoint(0, 0), kScreen), QColor(10, 16, 50, 170));
    QRandomGenerator random(11);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 230));
    for (int i = 0; i < 60; ++i)
        painter.drawEllipse(QPointF(random.bounded(640), 50 + random.bounded(200)), 1.1, 1.1);
    painter.setBrush(QColor(250, 244, 200));
    painter.drawEllipse(QPointF(520, 110), 30, 30);
    painter.setBrush(QColor(30, 34, 80));
    painter.drawEllipse(QPointF(534, 100), 27, 27);
}

/// A person standing with feet at FEET, HEIGHT tall; WAVE raises the right arm.
void drawPerson(QPainter& painter, const QPointF& feet, qreal height, const QColor& shirt, bool wave, const QColor& hair)
{
    const qreal u = height / 10;
    const QPointF neck = feet - QPointF(0, u * 7.2);
    painter.save();
    painter.setPen(QPen(QColor(60, 40, 30), u * 0.9, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(feet + QPointF(-u * 0.8, 0), neck + QPointF(-u * 0.4, u * 3.6)); // legs
    painter.drawLine(feet + QPointF(u * 0.8, 0), neck + QPointF(u * 0.4, u * 3.6));
    painter.setPen(QPen(QColor(236, 190, 150), u * 0.7, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(neck + QPointF(-u * 1.2, u * 0.6), neck + QPointF(-u * 2.2, u * 3.4)); // left arm
    if (wave)
        painter.drawLine(neck + QPointF(u * 1.2, u * 0.6), neck + QPointF(u * 2.6, -u * 1.6));
    else
        painter.drawLine(neck + QPointF(u * 1.2, u * 0.6), neck + QPointF(u * 2.2, u * 3.4));
    painter.setPen(QPen(shirt.darker(140), u * 0.2));
    painter.setBrush(shirt);
    painter.drawRoundedRect(QRectF(neck.x() - u * 1.3, neck.y() + u * 0.2, u * 2.6, u * 3.8), u * 0.8, u * 0.8);
    painter.setBrush(QColor(240, 200, 160));
    painter.drawEllipse(neck - QPointF(0, u * 1.2), u * 1.2, u * 1.3);
    painter.setBrush(hair);
    painter.setPen(Qt::NoPen);
    painter.drawChord(QRectF(neck.x() - u * 1.25, neck.y() - u * 2.6, u * 2.5, u * 2.2), 0, 180 * 16);
    painter.setBrush(QColor(40, 30, 30));
    painter.drawEllipse(neck + QPointF(-u * 0.4, -u * 1.3), u * 0.14, u * 0.14);
    painter.drawEllipse(neck + QPointF(u * 0.4, -u * 1.3), u * 0.14, u * 0.14);
    painter.setPen(QPen(QColor(150, 60, 50), u * 0.15, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(neck.x() - u * 0.45, neck.y() - u * 1.1, u * 0.9, u * 0.6), -20 * 16, -140 * 16);
    painter.restore();
}

/// A speech bubble with the English sentence and, under it, its Spanish translation.
void drawBubble(QPainter& painter, const QRectF& box, const QPointF& tail, const QString& english, const QString& spanish)
{
    painter.save();
    QPainterPath bubble;
    bubble.addRoundedRect(box, 12, 12);
    QPainterPath pointer;
    pointer.moveTo(box.center().x() - 10, box.bottom() - 2);
    pointer.lineTo(tail);
    pointer.lineTo(box.center().x() + 10, box.bottom() - 2);
    bubble = bubble.united(pointer);
    painter.setPen(QPen(kInk, 2));
    painter.setBrush(QColor(255, 255, 250));
    painter.drawPath(bubble);
    painter.setFont(DrawingKit::font(18, QFont::Bold));
    painter.drawText(box.adjusted(8, 6, -8, -box.height() / 2 + 4), Qt::AlignCenter, english);
    painter.setFont(DrawingKit::font(14, QFont::Normal));
    painter.setPen(QColor(120, 80, 50));
    painter.drawText(box.adjusted(8, box.height() / 2 - 2, -8, -6), Qt::AlignCenter, spanish);
    painter.restore();
}

void drawMarketStall(QPainter& painter, const QRectF& box, const QColor& stripe, const QList<QColor>& fruit)
{
    painter.save();
    painter.setPen(QPen(kWoodDark, 2));
    painter.setBrush(kWood);
    painter.drawRect(QRectF(box.left() + 6, box.top() + 30, 6, box.height() - 30));
    painter.drawRect(QRectF(box.right() - 12, box.top() + 30, 6, box.height() - 30));
    painter.drawRect(QRectF(box.left(), box.bottom() - 50, box.width(), 50));
    const int stripes = 8;
    for (int i = 0; i < stripes; ++i) {
        painter.setBrush(i % 2 ? QColor(255, 250, 240) : stripe);
        const qreal w = box.width() / stripes;
        painter.drawChord(QRectF(box.left() + i * w, box.top() + 10, w, 40), 180 * 16, 180 * 16);
        painter.drawRect(QRectF(box.left() + i * w, box.top(), w, 30));
    }
    QRandomGenerator random(int(box.left()));
    painter.setPen(QPen(QColor(0, 0, 0, 80), 1));
    for (int i = 0; i < 18; ++i) {
        painter.setBrush(fruit.at(i % fruit.size()));
        painter.drawEllipse(QPointF(box.left() + 14 + (i % 9) * (box.width() - 28) / 8, box.bottom() - 58 + (i / 9) * 12 + random.bounded(3)), 8, 8);
    }
    painter.restore();
}

void drawScene(QPainter& painter, const QString& scene)
{
    const qreal ground = 400;
    const QColor red(200, 70, 60), blue(60, 110, 190), green(70, 150, 90), yellow(235, 190, 60);
    const QColor brown(90, 60, 40), blond(220, 180, 90);
    if (scene == QLatin1String("wave")) {
        drawPerson(painter, QPointF(230, ground), 190, red, true, brown);
        drawPerson(painter, QPointF(420, ground), 170, blue, true, blond);
    } else if (scene == QLatin1String("chat")) {
        drawPerson(painter, QPointF(250, ground), 190, green, false, brown);
        drawPerson(painter, QPointF(400, ground), 175, yellow, true, QColor(40, 30, 30));
    } else if (scene == QLatin1String("evening")) {
        painter.setPen(QPen(kWoodDark, 2));
        painter.setBrush(QColor(230, 200, 160));
        painter.drawRect(QRectF(60, 250, 140, 150));
        painter.setBrush(QColor(160, 60, 50));
        painter.drawPolygon(QPolygonF { { 45, 252 }, { 130, 190 }, { 215, 252 } });
        painter.setBrush(QColor(255, 214, 120));
        painter.drawRect(QRectF(85, 285, 34, 30));
        painter.setBrush(kWood);
        painter.drawRect(QRectF(140, 320, 36, 80));
        drawPerson(painter, QPointF(300, ground), 180, blue, true, brown);
        drawPerson(painter, QPointF(450, ground), 185, red, true, QColor(40, 30, 30));
    } else if (scene == QLatin1String("night")) {
        painter.setPen(QPen(QColor(20, 20, 40), 2));
        painter.setBrush(QColor(70, 60, 90));
        painter.drawRect(QRectF(200, 210, 240, 190));
        painter.setBrush(QColor(50, 30, 50));
        painter.drawPolygon(QPolygonF { { 180, 212 }, { 320, 120 }, { 460, 212 } });
        painter.setBrush(QColor(255, 214, 120));
        painter.drawRect(QRectF(235, 250, 50, 44));
        painter.setBrush(QColor(40, 40, 60));
        painter.drawRect(QRectF(355, 250, 50, 44));
        painter.setPen(QPen(QColor(255, 255, 230), 3));
        painter.setFont(DrawingKit::font(26, QFont::Bold));
        painter.drawText(QRectF(400, 130, 120, 60), Qt::AlignCenter, QStringLiteral("z z Z"));
    } else if (scene == QLatin1String("bye")) {
        painter.setPen(QPen(QColor(150, 135, 115), 30, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(320, 400), QPointF(560, 300));
        drawPerson(painter, QPointF(200, ground), 190, red, true, brown);
        drawPerson(painter, QPointF(500, 330), 100, blue, true, blond);
    } else if (scene == QLatin1String("market")) {
        drawMarketStall(painter, QRectF(40, 200, 260, 200), red, { red, yellow, green });
        drawMarketStall(painter, QRectF(340, 200, 260, 200), green, { QColor(240, 140, 40), yellow, QColor(120, 50, 120) });
    } else if (scene == QLatin1String("fruit")) {
        drawMarketStall(painter, QRectF(260, 200, 340, 200), red, { red, QColor(200, 40, 40), green });
        drawPerson(painter, QPointF(170, ground), 190, blue, true, blond);
    } else if (scene == QLatin1String("price")) {
        drawMarketStall(painter, QRectF(260, 200, 340, 200), red, { red, QColor(200, 40, 40), green });
        drawPerson(painter, QPointF(170, ground), 190, blue, false, blond);
        painter.setPen(QPen(kInk, 2));
        painter.setBrush(QColor(255, 240, 170));
        painter.drawRoundedRect(QRectF(360, 120, 150, 70), 10, 10);
        painter.setFont(DrawingKit::font(34, QFont::Bold));
        painter.drawText(QRectF(360, 120, 150, 70), Qt::AlignCenter, QStringLiteral("$2"));
    } else {
        throw CourseError(QStringLiteral("unknown scene '%1'").arg(scene));
    }
}

/// A playing button's icon in a 24 x 24 box.
void drawPanelIcon(QPainter& painter, const QString& icon, const QRectF& box, const QColor& ink)
{
    painter.save();
    painter.translate(box.topLeft());
    painter.scale(box.width() / 24.0, box.height() / 24.0);
    painter.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(ink);
    const auto triangle = [&](qreal x, qreal dir) {
        painter.drawPolygon(QPolygonF { { x, 5 }, { x, 19 }, { x + dir * 9, 12 } });
    };
    if (icon == QLatin1String("reproducir")) {
        painter.drawPolygon(QPolygonF { { 7, 4 }, { 7, 20 }, { 20, 12 } });
    } else if (icon == QLatin1String("pausa")) {
        painter.drawRect(QRectF(6, 5, 4, 14));
        painter.drawRect(QRectF(14, 5, 4, 14));
    } else if (icon == QLatin1String("parar")) {
        painter.drawRect(QRectF(6, 6, 12, 12));
    } else if (icon == QLatin1String("inicio")) {
        painter.drawRect(QRectF(4, 5, 2.5, 14));
        triangle(17, -1);
    } else if (icon == QLatin1String("final")) {
        triangle(7, 1);
        painter.drawRect(QRectF(17.5, 5, 2.5, 14));
    } else if (icon == QLatin1String("anterior") || icon == QLatin1String("atras")) {
        triangle(12, -1);
        triangle(21, -1);
    } else if (icon == QLatin1String("siguiente") || icon == QLatin1String("adelante")) {
        triangle(3, 1);
        triangle(12, 1);
    } else if (icon == QLatin1String("completa")) {
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(QPolygonF { { 3, 9 }, { 3, 3 }, { 9, 3 } });
        painter.drawPolyline(QPolygonF { { 15, 3 }, { 21, 3 }, { 21, 9 } });
        painter.drawPolyline(QPolygonF { { 21, 15 }, { 21, 21 }, { 15, 21 } });
        painter.drawPolyline(QPolygonF { { 9, 21 }, { 3, 21 }, { 3, 15 } });
    } else if (icon == QLatin1String("minimizar")) {
        painter.drawRect(QRectF(5, 17, 14, 3));
    }
    if (icon == QLatin1String("atras") || icon == QLatin1String("adelante")) {
        painter.setFont(DrawingKit::font(8, QFont::Bold));
        painter.drawText(QRectF(0, 16, 24, 9), Qt::AlignCenter, QStringLiteral("5 s"));
    }
    painter.restore();
}

enum class Look { AtRest, Lit };

/// A button's raised face at rest or lit; returns the ink for what is drawn on it.
QColor drawTile(QPainter& painter, const QRectF& tile, Look look)
{
    QLinearGradient face(tile.topLeft(), tile.bottomLeft());
    face.setColorAt(0, look == Look::Lit ? QColor(255, 248, 200) : kPaper);
    face.setColorAt(1, look == Look::Lit ? QColor(255, 200, 74) : QColor(226, 205, 166));
    painter.setPen(QPen(look == Look::Lit ? Qt::white : kWood, 1.5));
    painter.setBrush(face);
    painter.drawRoundedRect(tile, 6, 6);
    return look == Look::Lit ? QColor(138, 28, 28) : kInk;
}

/// Saves to FILE the tile at PLACE of BACKGROUND drawn lit by DRAW (painter, tile, look).
template<typename Draw>
void saveLitTile(const QImage& background, const QRect& place, const Draw& draw, const QString& file)
{
    QImage lit(place.size(), QImage::Format_RGB32);
    QPainter painter(&lit);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawImage(0, 0, background, place.x(), place.y(), place.width(), place.height());
    draw(painter, QRectF(QPointF(1, 1), QSizeF(place.size()) - QSizeF(2, 2)), Look::Lit);
    painter.end();
    DrawingKit::savePicture(lit, file);
}

QImage renderPanel(const QStringList& icons, Look look)
{
    const QSize size(LessonArtRecipe::PanelLeft * 2 + int(icons.size()) * LessonArtRecipe::PanelStep - 4,
        LessonArtRecipe::PanelTop + LessonArtRecipe::PanelTile + 8);
    QImage image(size, QImage::Format_RGB32);
    image.fill(kWoodDark);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF all(QPointF(0, 0), size);
    QLinearGradient body(all.topLeft(), all.bottomLeft());
    body.setColorAt(0, QColor(70, 50, 40));
    body.setColorAt(1, QColor(40, 28, 22));
    painter.setPen(QPen(QColor(220, 180, 130), 2));
    painter.setBrush(body);
    painter.drawRoundedRect(all.adjusted(1, 1, -1, -1), 8, 8);
    // The grip: a dotted strip and a name, where the panel is taken to move it.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(220, 180, 130, 150));
    for (int x = 12; x < 70; x += 6)
        for (int y = 7; y <= 13; y += 6)
            painter.drawEllipse(QPointF(x, y), 1.2, 1.2);
    painter.setPen(QColor(240, 220, 190));
    painter.setFont(DrawingKit::font(10, QFont::Bold));
    painter.drawText(QRectF(76, 2, size.width() - 84, 16), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Controles · arrástrame"));
    for (qsizetype i = 0; i < icons.size(); ++i) {
        const QRectF tile = QRectF(LessonArtRecipe::panelButtonAt(int(i))).adjusted(1, 1, -1, -1);
        drawPanelIcon(painter, icons.at(i), tile.adjusted(6, 6, -6, -6), drawTile(painter, tile, look));
    }
    return image;
}

QImage renderMinimiser()
{
    QImage image(kIconSlot.size(), QImage::Format_RGB32);
    image.fill(QColor(60, 36, 18));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile = QRectF(QPointF(0, 0), kIconSlot.size()).adjusted(2, 2, -2, -2);
    QLinearGradient face(tile.topLeft(), tile.bottomLeft());
    face.setColorAt(0, QColor(255, 248, 200));
    face.setColorAt(1, QColor(255, 200, 74));
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(face);
    painter.drawRoundedRect(tile, 6, 6);
    // A small panel with an arrow up: "bring the panel back".
    painter.setPen(QPen(kInk, 1.5));
    painter.setBrush(QColor(70, 50, 40));
    painter.drawRoundedRect(QRectF(7, 20, 22, 9), 2, 2);
    painter.setBrush(kInk);
    painter.drawPolygon(QPolygonF { { 18, 5 }, { 25, 13 }, { 11, 13 } });
    return image;
}

} // namespace

LessonArtRecipe::LessonArtRecipe(const QString& sourceFolder, const QString& outputFolder)
    : m_source(sourceFolder)
    , m_output(outputFolder)
{
}

void LessonArtRecipe::addKinds(MediaRecipes& recipes, const QString& sourceFolder, const QString& outputFolder)
{
    recipes.addKind(QStringLiteral("lessonscreen"),
        [sourceFolder, outputFolder](const MediaRecipes::Recipe& r) { LessonArtRecipe(sourceFolder, outputFolder).make(r); });
    recipes.addKind(QStringLiteral("narration"), NarrationRecipe::make);
}

QList<LessonArtRecipe::BarButton> LessonArtRecipe::barButtons()
{
    return {
        { 15, QRect(13, 432, 56, 44), QStringLiteral("salir"), QStringLiteral("Volver"), QStringLiteral("volver") },
        { 14, QRect(75, 432, 56, 44), QStringLiteral("navegar"), QStringLiteral("Ir a"), QStringLiteral("navegar") },
        { 23, QRect(137, 432, 56, 44), QStringLiteral("ayuda"), QStringLiteral("Ayuda"), QStringLiteral("ayuda") },
    };
}

QRect LessonArtRecipe::panelButtonAt(int index)
{
    return QRect(PanelLeft + index * PanelStep, PanelTop, PanelTile, PanelTile);
}

bool LessonArtRecipe::knowsPanelIcon(const QString& icon)
{
    static const QStringList icons { QStringLiteral("reproducir"), QStringLiteral("pausa"), QStringLiteral("parar"), QStringLiteral("inicio"),
        QStringLiteral("final"), QStringLiteral("anterior"), QStringLiteral("siguiente"), QStringLiteral("atras"), QStringLiteral("adelante"),
        QStringLiteral("completa"), QStringLiteral("minimizar") };
    return icons.contains(icon);
}

void LessonArtRecipe::make(const MediaRecipes::Recipe& recipe) const
{
    const QString part = recipe.required(QStringLiteral("part"));
    if (part == QLatin1String("frame"))
        makeFrame(recipe);
    else if (part == QLatin1String("scene"))
        makeScene(recipe);
    else if (part == QLatin1String("help"))
        makeHelp(recipe);
    else if (part == QLatin1String("cards"))
        makeCards(recipe);
    else
        throw CourseError(QStringLiteral("unknown part '%1' (frame, scene, help or cards)").arg(part));
}

void LessonArtRecipe::makeFrame(const MediaRecipes::Recipe& r) const
{
    const MapPlan plan = barPlan();
    const MapPainter bars(plan);
    QImage image(kScreen, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawBackdrop(painter, parseMood(r.arg(QStringLiteral("mood"), QStringLiteral("day"))));
    const QString heading = r.arg(QStringLiteral("heading"));
    if (!heading.isEmpty())
        DrawingKit::drawPlaque(painter, QPointF(320, 120), heading, DrawingKit::font(22, QFont::Bold), kPaper, kInk, kWoodDark);
    const QString videoText = r.arg(QStringLiteral("video"));
    if (!videoText.isEmpty()) {
        // A bezelled screen where the video plays.
        const QRect video = DrawingKit::parseRect(videoText, QStringLiteral("video"));
        painter.setPen(QPen(QColor(30, 30, 34), 2));
        painter.setBrush(QColor(60, 60, 66));
        painter.drawRoundedRect(QRectF(video).adjusted(-8, -8, 8, 8), 8, 8);
        painter.fillRect(video, QColor(12, 12, 16));
    }
    drawFrame(painter, bars.render(0, MapPainter::ButtonLook::AtRest));
    painter.end();
    DrawingKit::savePicture(image, r.output);

    saveLitBar(r, bars);

    const QStringList icons = r.required(QStringLiteral("buttons")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& icon : icons) {
        if (!knowsPanelIcon(icon))
            throw CourseError(QStringLiteral("unknown panel button '%1'").arg(icon));
    }
    DrawingKit::savePicture(renderPanel(icons, Look::AtRest), m_output + QLatin1Char('/') + r.required(QStringLiteral("panel")));
    const QImage litPanel = renderPanel(icons, Look::Lit);
    const QString panelLit = r.required(QStringLiteral("panellit"));
    for (qsizetype i = 0; i < icons.size(); ++i)
        DrawingKit::savePicture(litPanel.copy(panelButtonAt(int(i))), m_output + QLatin1Char('/') + panelLit + icons.at(i) + QStringLiteral(".bmp"));
    DrawingKit::savePicture(renderMinimiser(), m_output + QLatin1Char('/') + r.required(QStringLiteral("icon")));
}

void LessonArtRecipe::saveLitBar(const MediaRecipes::Recipe& r, const MapPainter& bars) const
{
    const QImage lit = bars.render(0, MapPainter::ButtonLook::Lit);
    const QString litPrefix = r.required(QStringLiteral("lit"));
    for (const BarButton& b : barButtons())
        DrawingKit::savePicture(lit.copy(b.rect), m_output + QLatin1Char('/') + litPrefix + b.name + QStringLiteral(".bmp"));
}

QRect LessonArtRecipe::cardTileAt(int index)
{
    return QRect(CardTileLeft + index * CardTileStep, 432, CardTileStep - 4, 44);
}

void LessonArtRecipe::makeCards(const MediaRecipes::Recipe& r) const
{
    const QStringList tiles = r.required(QStringLiteral("tiles")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (tiles.isEmpty() || cardTileAt(int(tiles.size()) - 1).right() >= kScreen.width())
        throw CourseError(QStringLiteral("tiles= needs one to %1 buttons").arg((kScreen.width() - CardTileLeft) / CardTileStep));
    const MapPlan plan = barPlan(); // the painter keeps a reference to it
    const MapPainter bars(plan);
    QImage image(kScreen, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawBackdrop(painter, parseMood(r.arg(QStringLiteral("mood"), QStringLiteral("day"))));
    // The paper under the list, the text and the pictures, so that they do not float on the sky.
    for (const QString& well : r.arg(QStringLiteral("wells")).split(QLatin1Char(';'), Qt::SkipEmptyParts))
        DrawingKit::drawPaperPanel(painter, QRectF(DrawingKit::parseRect(well, QStringLiteral("wells"))).adjusted(-6, -6, 6, 6), kPaper,
            QColor(226, 205, 166), 2, 4);
    drawFrame(painter, bars.render(0, MapPainter::ButtonLook::AtRest));
    saveLitBar(r, bars);
    // The screen's own buttons stand in the bar after its three, drawn at rest on the
    // background; each one's lit picture is what the button shows under the pointer.
    const QString tileLit = r.required(QStringLiteral("tilelit"));
    for (qsizetype i = 0; i < tiles.size(); ++i) {
        const QStringList nameLabel = tiles.at(i).split(QLatin1Char(':'));
        if (nameLabel.size() != 2 || nameLabel.front().isEmpty())
            throw CourseError(QStringLiteral("tile '%1' is not NAME:Label").arg(tiles.at(i)));
        const QRect place = cardTileAt(int(i));
        const auto label = [&](QPainter& on, const QRectF& tile, Look look) {
            on.setPen(drawTile(on, tile, look));
            // The largest type up to 11 pixels that fits the label on the tile.
            int pixels = 11;
            while (pixels > 7 && QFontMetricsF(DrawingKit::font(pixels, QFont::Bold)).horizontalAdvance(nameLabel.back()) > tile.width() - 4)
                --pixels;
            on.setFont(DrawingKit::font(pixels, QFont::Bold));
            on.drawText(tile, Qt::AlignCenter | Qt::TextWordWrap, nameLabel.back());
        };
        label(painter, QRectF(place).adjusted(1, 1, -1, -1), Look::AtRest);
        saveLitTile(image, place, label, m_output + QLatin1Char('/') + tileLit + nameLabel.front() + QStringLiteral(".bmp"));
    }
    // The card sound's playing buttons, in a row from playat=, drawn like the panels'.
    const QStringList playing = r.arg(QStringLiteral("playing")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QPoint playAt = playing.isEmpty() ? QPoint() : DrawingKit::parsePoints(r.required(QStringLiteral("playat")), QStringLiteral("playat"), 1).front().toPoint();
    for (qsizetype i = 0; i < playing.size(); ++i) {
        if (!knowsPanelIcon(playing.at(i)))
            throw CourseError(QStringLiteral("unknown playing button '%1'").arg(playing.at(i)));
        const QRect place(playAt + QPoint(int(i) * CardPlayStep, 0), QSize(CardPlayStep - 2, CardPlayStep - 2));
        const auto icon = [&](QPainter& on, const QRectF& tile, Look look) {
            drawPanelIcon(on, playing.at(i), tile.adjusted(5, 5, -5, -5), drawTile(on, tile, look));
        };
        icon(painter, QRectF(place).adjusted(1, 1, -1, -1), Look::AtRest);
        saveLitTile(image, place, icon, m_output + QLatin1Char('/') + r.required(QStringLiteral("playlit")) + playing.at(i) + QStringLiteral(".bmp"));
    }
    painter.end();
    DrawingKit::savePicture(image, r.output);
}

void LessonArtRecipe::makeScene(const MediaRecipes::Recipe& r) const
{
    QImage image(kScreen, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const Mood mood = parseMood(r.arg(QStringLiteral("mood"), QStringLiteral("day")));
    drawBackdrop(painter, mood);
    // The promenade the people stand on.
    QLinearGradient ground(0, 340, 0, kBar.top());
    ground.setColorAt(0, mood == Mood::Day ? QColor(150, 196, 100) : QColor(70, 60, 80));
    ground.setColorAt(1, mood == Mood::Day ? QColor(110, 160, 70) : QColor(40, 34, 50));
    painter.fillRect(QRect(0, 340, 640, kBar.top() - 340), ground);
    drawScene(painter, r.required(QStringLiteral("scene")));
    drawBubble(painter, QRectF(140, 56, 360, 76), QPointF(300, 160), r.required(QStringLiteral("english")), r.required(QStringLiteral("spanish")));
    drawFrame(painter, MapPainter(barPlan()).render(0, MapPainter::ButtonLook::AtRest));
    painter.end();
    DrawingKit::savePicture(image, r.output);
}

void LessonArtRecipe::makeHelp(const MediaRecipes::Recipe& r) const
{
    const QSize size = DrawingKit::parseSize(r.required(QStringLiteral("size")), QStringLiteral("help size"));
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF all(QPointF(0, 0), size);
    DrawingKit::drawPaperPanel(painter, all, QColor(252, 244, 222), QColor(232, 212, 172), 4, 8.5);

    // Title with a question mark badge.
    painter.setPen(QPen(kInk, 2));
    painter.setBrush(QColor(255, 214, 102));
    painter.drawEllipse(QPointF(38, 38), 16, 16);
    painter.setFont(DrawingKit::font(22, QFont::Bold));
    painter.drawText(QRectF(22, 22, 32, 32), Qt::AlignCenter, QStringLiteral("?"));
    painter.drawText(QRectF(64, 20, all.width() - 84, 36), Qt::AlignLeft | Qt::AlignVCenter, r.required(QStringLiteral("title")));
    painter.drawLine(QPointF(22, 62), QPointF(all.width() - 22, 62));

    QImage miniature;
    const QString mapPlan = r.arg(QStringLiteral("map"));
    const QString picture = r.arg(QStringLiteral("miniature"));
    const QString screen = r.arg(QStringLiteral("screen"));
    if (!screen.isEmpty())
    {
        ScreenMiniature screenMiniature(m_source, m_output);
        screenMiniature.setBackdrop(r.arg(QStringLiteral("backdrop")));
        screenMiniature.setSubtitles(r.arg(QStringLiteral("subtitles")).split(QLatin1Char('|')));
        if (!r.arg(QStringLiteral("video")).isEmpty())
            screenMiniature.setVideoArea(DrawingKit::parseRect(r.arg(QStringLiteral("video")), QStringLiteral("help video")));
        miniature = screenMiniature.render(screen.toInt(), r.required(QStringLiteral("screentitle")));
    }
    else if (!mapPlan.isEmpty())
        miniature = MapPainter(MapPlan::read(m_source + QLatin1Char('/') + mapPlan, m_source)).render(0, MapPainter::ButtonLook::AtRest);
    else if (!picture.isEmpty() && !miniature.load(m_output + QLatin1Char('/') + picture))
        throw CourseError(QStringLiteral("help %1: cannot read the miniature %2").arg(r.output, picture));
    qreal textLeft = 24;
    if (!miniature.isNull()) {
        const QRectF frame(24, 78, 240, 180);
        painter.drawImage(frame, miniature.scaled(frame.size().toSize(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        painter.setPen(QPen(kWoodDark, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(frame);
        textLeft = frame.right() + 18;
    }
    const QStringList paragraphs = r.required(QStringLiteral("text")).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    painter.setFont(DrawingKit::font(14));
    painter.setPen(kInk);
    qreal y = 78;
    const qreal width = all.width() - textLeft - 24;
    for (const QString& paragraph : paragraphs) {
        const QRectF box = painter.boundingRect(QRectF(textLeft, y, width, 400), Qt::TextWordWrap, QStringLiteral("• ") + paragraph.trimmed());
        painter.drawText(box, Qt::TextWordWrap, QStringLiteral("• ") + paragraph.trimmed());
        y = box.bottom() + 10;
    }
    painter.setFont(DrawingKit::font(12, QFont::Normal));
    painter.setPen(kWood);
    painter.drawText(QRectF(0, all.height() - 34, all.width(), 20), Qt::AlignCenter, QStringLiteral("Escucha la explicación o haz clic para volver"));
    painter.end();
    DrawingKit::savePicture(image, r.output);
}
