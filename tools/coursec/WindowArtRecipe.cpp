#include "WindowArtRecipe.h"

#include "CourseError.h"
#include "DrawingKit.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kPaperLight(253, 246, 228);
const QColor kPaperDark(236, 220, 188);

enum class Look { AtRest, Lit };

// The close button: a round wooden knob with a cross, lit in amber.
void drawCloseButton(QPainter& painter, const QRectF& box, Look look)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const bool lit = look == Look::Lit;
    QLinearGradient knob(box.topLeft(), box.bottomLeft());
    knob.setColorAt(0, lit ? QColor(255, 224, 140) : DrawingKit::wood.lighter(125));
    knob.setColorAt(1, lit ? QColor(230, 150, 40) : DrawingKit::woodDark);
    painter.setPen(QPen(lit ? Qt::white : DrawingKit::woodInk, 1.5));
    painter.setBrush(knob);
    painter.drawEllipse(box.adjusted(1.5, 1.5, -1.5, -1.5));
    const qreal arm = box.width() * 0.2;
    painter.setPen(QPen(lit ? DrawingKit::woodInk : QColor(250, 240, 220), qMax(2.0, box.width() / 9), Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(box.center() + QPointF(-arm, -arm), box.center() + QPointF(arm, arm));
    painter.drawLine(box.center() + QPointF(-arm, arm), box.center() + QPointF(arm, -arm));
    painter.restore();
}

// Glyphs are drawn on a 16 x 16 grid and scaled to the icon's size.
void drawMap(QPainter& p)
{
    p.setBrush(QColor(240, 226, 170));
    p.drawPolygon(QPolygonF { { 1, 3 }, { 5.5, 1.5 }, { 10.5, 3 }, { 15, 1.5 }, { 15, 13 }, { 10.5, 14.5 }, { 5.5, 13 }, { 1, 14.5 } });
    p.setBrush(QColor(110, 170, 90));
    p.drawEllipse(QPointF(8, 8), 3.2, 2.6);
    p.setPen(QPen(QColor(200, 40, 40), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawPoint(QPointF(8.5, 7.5));
}

void drawChapter(QPainter& p)
{
    p.setBrush(QColor(200, 110, 50));
    p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1.5, 1.5);
    p.setBrush(QColor(250, 240, 215));
    p.drawRect(QRectF(11, 2.5, 2, 11));
    p.setPen(QPen(QColor(250, 240, 215), 1.2));
    p.drawLine(QPointF(5, 5), QPointF(9, 5));
}

void drawVideo(QPainter& p)
{
    p.setBrush(QColor(45, 45, 55));
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (int i = 0; i < 4; ++i) {
        p.drawRect(QRectF(2.5 + i * 3.2, 3.3, 1.6, 1.4));
        p.drawRect(QRectF(2.5 + i * 3.2, 11.3, 1.6, 1.4));
    }
    p.setBrush(QColor(240, 80, 60));
    p.drawPolygon(QPolygonF { { 6.5, 6 }, { 10.5, 8 }, { 6.5, 10 } });
}

void drawCarousel(QPainter& p)
{
    p.setBrush(QColor(200, 215, 240));
    p.drawRect(QRectF(4.5, 1.5, 10, 8));
    p.setBrush(QColor(120, 190, 240));
    p.drawRect(QRectF(1.5, 5.5, 10, 8));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 150, 70));
    p.drawPolygon(QPolygonF { { 2, 13 }, { 5.5, 8.5 }, { 8, 11 }, { 9.5, 9.5 }, { 11, 13 } });
    p.setBrush(QColor(250, 200, 40));
    p.drawEllipse(QPointF(9, 7.8), 1.2, 1.2);
}

void drawPictureCards(QPainter& p)
{
    p.setBrush(QColor(250, 250, 245));
    p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 170, 40));
    p.drawEllipse(QPointF(8, 6.5), 3, 3);
    p.setBrush(QColor(200, 80, 120));
    p.drawRect(QRectF(4.5, 11, 7, 1.6));
}

void drawInformation(QPainter& p)
{
    p.setBrush(QColor(50, 110, 200));
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawPoint(QPointF(8, 4.8));
    p.drawLine(QPointF(8, 7.5), QPointF(8, 11.5));
}

void drawPhotoText(QPainter& p)
{
    p.setBrush(QColor(90, 90, 100));
    p.drawRoundedRect(QRectF(1.5, 4.5, 13, 9), 1.5, 1.5);
    p.drawRect(QRectF(5, 2.5, 5, 2));
    p.setBrush(QColor(170, 220, 250));
    p.drawEllipse(QPointF(8, 9), 2.8, 2.8);
}

void drawConversation(QPainter& p)
{
    p.setBrush(QColor(120, 200, 120));
    p.drawRoundedRect(QRectF(1, 1.5, 10, 7), 2.5, 2.5);
    p.drawPolygon(QPolygonF { { 3, 8 }, { 3, 11 }, { 6, 8 } });
    p.setBrush(QColor(250, 160, 90));
    p.drawRoundedRect(QRectF(5, 6.5, 10, 7), 2.5, 2.5);
    p.drawPolygon(QPolygonF { { 13, 13 }, { 13, 15.5 }, { 10.5, 13 } });
}

void drawTest(QPainter& p)
{
    p.setBrush(QColor(240, 235, 220));
    p.drawRect(QRectF(2.5, 2.5, 11, 12.5));
    p.setBrush(QColor(150, 100, 60));
    p.drawRect(QRectF(5.5, 1, 5, 3));
    p.setPen(QPen(QColor(30, 150, 60), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF { { 5, 9 }, { 7.2, 11.5 }, { 11.5, 6 } });
}

struct Glyph {
    const char* name;
    void (*draw)(QPainter&);
};

// Maps and chapters, then one glyph per lesson kind: video, carousel, picture cards,
// information cards, photo-text cards, conversation video, test.
const Glyph kGlyphs[] = {
    { "mapa", drawMap },
    { "capitulo", drawChapter },
    { "video", drawVideo },
    { "carrusel", drawCarousel },
    { "fichas", drawPictureCards },
    { "informacion", drawInformation },
    { "fototexto", drawPhotoText },
    { "conversacion", drawConversation },
    { "prueba", drawTest },
};

} // namespace

void WindowArtRecipe::addKinds(MediaRecipes& recipes, const QString& outputFolder)
{
    recipes.addKind(QStringLiteral("window"), [outputFolder](const MediaRecipes::Recipe& r) { makeWindow(r, outputFolder); });
    recipes.addKind(QStringLiteral("icon"), makeIcon);
}

QStringList WindowArtRecipe::glyphs()
{
    QStringList names;
    for (const Glyph& glyph : kGlyphs)
        names << QLatin1String(glyph.name);
    return names;
}

QImage WindowArtRecipe::drawGlyph(const QString& glyph, int size)
{
    for (const Glyph& candidate : kGlyphs) {
        if (glyph != QLatin1String(candidate.name))
            continue;
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        painter.setPen(QPen(DrawingKit::woodInk, 1));
        candidate.draw(painter);
        painter.end();
        return image;
    }
    throw CourseError(QStringLiteral("unknown icon glyph '%1' (known: %2)").arg(glyph, glyphs().join(QStringLiteral(", "))));
}

void WindowArtRecipe::makeIcon(const MediaRecipes::Recipe& recipe)
{
    const int size = DrawingKit::parseInt(recipe.arg(QStringLiteral("size"), QStringLiteral("16")), QStringLiteral("icon size"));
    if (size < 8 || size > 64)
        throw CourseError(QStringLiteral("icon size %1 is not between 8 and 64").arg(size));
    const QImage image = drawGlyph(recipe.required(QStringLiteral("glyph")), size);
    if (!image.save(recipe.output, "ICO"))
        throw CourseError(QStringLiteral("cannot write icon %1").arg(recipe.output));
}

void WindowArtRecipe::makeWindow(const MediaRecipes::Recipe& recipe, const QString& outputFolder)
{
    const QSize size = DrawingKit::parseSize(recipe.required(QStringLiteral("size")), QStringLiteral("window size"));
    const QRect well = DrawingKit::parseRect(recipe.required(QStringLiteral("well")), QStringLiteral("window well"));
    const QRect close = DrawingKit::parseRect(recipe.required(QStringLiteral("close")), QStringLiteral("window close button"));
    const QRect all(QPoint(0, 0), size);
    if (!all.contains(well) || !all.contains(close))
        throw CourseError(QStringLiteral("the well %1 and the close button %2 must lie inside the window's %3x%4")
                              .arg(recipe.required(QStringLiteral("well")), recipe.required(QStringLiteral("close")))
                              .arg(size.width())
                              .arg(size.height()));
    if (well.intersects(close))
        throw CourseError(QStringLiteral("the close button %1 lies on the well %2").arg(recipe.required(QStringLiteral("close")), recipe.required(QStringLiteral("well"))));

    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawingKit::drawPaperPanel(painter, all, kPaperLight, kPaperDark, 6, 9);
    // The well is sunken: dark above and left, light below and right.
    painter.setPen(QPen(DrawingKit::woodDark, 1));
    painter.drawLine(well.topLeft() - QPoint(1, 1), well.topRight() + QPoint(1, -1));
    painter.drawLine(well.topLeft() - QPoint(1, 1), well.bottomLeft() + QPoint(-1, 1));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawLine(well.bottomLeft() + QPoint(-1, 1), well.bottomRight() + QPoint(1, 1));
    painter.drawLine(well.topRight() + QPoint(1, -1), well.bottomRight() + QPoint(1, 1));
    painter.fillRect(well, Qt::white);
    drawCloseButton(painter, close, Look::AtRest);
    painter.end();
    DrawingKit::savePicture(image, recipe.output);

    // The button's pictures are the window's own pixels under it, at rest and lit, so
    // that they sit on the panel without a seam.
    DrawingKit::savePicture(image.copy(close), outputFolder + QLatin1Char('/') + recipe.required(QStringLiteral("button")));
    QImage lit = image.copy(close);
    QPainter litPainter(&lit);
    drawCloseButton(litPainter, QRectF(QPointF(0, 0), QSizeF(close.size())), Look::Lit);
    litPainter.end();
    DrawingKit::savePicture(lit, outputFolder + QLatin1Char('/') + recipe.required(QStringLiteral("lit")));
}
