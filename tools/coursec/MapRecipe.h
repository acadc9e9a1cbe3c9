#pragma once

#include "MediaRecipes.h"

#include <QImage>
#include <QRect>
#include <QString>

/// The recipe kind "map": an illustrated map lesson drawn from a plan (see MapPlan).
///   map OUTPUT.bmp plan=PLAN.txt mask=MASK.bmp
/// writes the map picture OUTPUT with its buttons at rest, the colour mask MASK, one
/// highlight picture per region (OUTPUT's name + "_" + chapter + ".bmp", the region's box
/// on the mask cut from a highlighted rendering, to be placed at that box's top left), the
/// lit picture of every button and the navigation box picture named by the plan's buttons file.
/// PLAN is relative to the course source folder, the other files to the course folder.
class MapRecipe {
public:
    MapRecipe(const QString& sourceFolder, const QString& outputFolder);

    /// Makes every picture of RECIPE; throws CourseError naming what is wrong.
    void make(const MediaRecipes::Recipe& recipe) const;

    /// The highlight picture of CHAPTER beside the map picture MAP.
    static QString highlightFile(const QString& map, int chapter);
    /// The smallest rectangle holding every pixel of COLOUR in MASK; empty when there is none.
    static QRect colourBox(const QImage& mask, QRgb colour);

private:
    QString m_source;
    QString m_output;
};
