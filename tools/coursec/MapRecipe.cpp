#include "MapRecipe.h"

#include "CourseError.h"
#include "DrawingKit.h"
#include "MapPainter.h"
#include "MapPlan.h"

MapRecipe::MapRecipe(const QString& sourceFolder, const QString& outputFolder)
    : m_source(sourceFolder)
    , m_output(outputFolder)
{
}

QString MapRecipe::highlightFile(const QString& map, int chapter)
{
    QString base = map;
    if (base.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive))
        base.chop(4);
    return base + QStringLiteral("_%1.bmp").arg(chapter);
}

QRect MapRecipe::colourBox(const QImage& mask, QRgb colour)
{
    const QImage image = mask.convertToFormat(QImage::Format_RGB32);
    const QRgb wanted = colour | 0xff000000u;
    int left = image.width();
    int top = image.height();
    int right = -1;
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] | 0xff000000u) != wanted)
                continue;
            left = qMin(left, x);
            right = qMax(right, x);
            top = qMin(top, y);
            bottom = qMax(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

void MapRecipe::make(const MediaRecipes::Recipe& recipe) const
{
    const MapPlan plan = MapPlan::read(m_source + QLatin1Char('/') + recipe.required(QStringLiteral("plan")), m_source);
    const QString maskFile = m_output + QLatin1Char('/') + recipe.required(QStringLiteral("mask"));
    for (const MapPlan::Button& button : plan.buttons) {
        if (!MapPainter::knowsIcon(button.icon))
            throw CourseError(QStringLiteral("unknown button icon '%1'").arg(button.icon));
    }
    const MapPainter painter(plan);

    const QImage mask = painter.renderMask();
    QList<QRect> boxes;
    for (const MapPlan::Region& region : plan.regions) {
        const QRect box = colourBox(mask, region.maskColour.rgb());
        if (box.isEmpty())
            throw CourseError(QStringLiteral("region %1 has no pixel left in the mask (outside the picture or covered by another region)").arg(region.chapter));
        boxes << box;
    }
    // A button must lie on black, or pointing at it would find a region instead.
    for (const MapPlan::Button& button : plan.buttons) {
        for (int y = button.rect.top(); y <= button.rect.bottom(); ++y) {
            for (int x = button.rect.left(); x <= button.rect.right(); ++x) {
                if ((mask.pixel(x, y) & 0xffffffu) != 0)
                    throw CourseError(QStringLiteral("button %1 lies on a region at (%2, %3)").arg(button.accion).arg(x).arg(y));
            }
        }
    }

    DrawingKit::savePicture(painter.render(0, MapPainter::ButtonLook::AtRest), recipe.output);
    DrawingKit::savePicture(mask, maskFile);
    for (qsizetype i = 0; i < plan.regions.size(); ++i) {
        const MapPlan::Region& region = plan.regions.at(i);
        DrawingKit::savePicture(painter.render(region.chapter, MapPainter::ButtonLook::AtRest).copy(boxes.at(i)),
            highlightFile(recipe.output, region.chapter));
    }
    const QImage lit = painter.render(0, MapPainter::ButtonLook::Lit);
    for (const MapPlan::Button& button : plan.buttons)
        DrawingKit::savePicture(lit.copy(button.rect), m_output + QLatin1Char('/') + button.lit);
    if (plan.navBox)
        DrawingKit::savePicture(painter.renderNavBox(), m_output + QLatin1Char('/') + plan.navBox->picture);
}
