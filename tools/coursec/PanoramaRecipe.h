#pragma once

#include "MediaRecipes.h"

#include <QSizeF>

class QPainter;

/// The recipe kind "panorama": a drawn landscape with a title, for the course's big
/// picture and the introduction's background.
///   panorama OUTPUT.bmp size=WxH title="..." [subtitle="..."] [caption="..."]
///            [mood=day|sunset] [frame=x,y,w,h]
/// FRAME leaves a dark bezelled screen where a video is to play.
class PanoramaRecipe {
public:
    enum class Mood { Day, Sunset };

    /// Makes the picture of RECIPE; throws CourseError naming what is wrong.
    static void make(const MediaRecipes::Recipe& recipe);

    /// Sky, sun, hills, sea and a small town over SIZE; PHASE (0–1) drifts the clouds.
    static void drawLandscape(QPainter& painter, const QSizeF& size, Mood mood, qreal phase = 0);
};
