#pragma once

#include "MediaRecipes.h"

#include <QImage>
#include <QStringList>

/// The pictures of the small windows that float over a screen (the explorer), in the
/// paper-and-wood look of the maps, and the small icons of the course tree.
///   window OUT.bmp size=WxH well=x,y,w,h close=x,y,w,h button=REST.bmp lit=LIT.bmp
///     the window's picture: a paper panel framed in wood with a sunken white well
///     where a list or tree lies and a close button drawn at rest; REST and LIT are the
///     close button's pictures at rest and lit, each the size of CLOSE.
///   icon OUT.ico glyph=NAME [size=N]
///     an icon of N x N pixels (16 unless given) on a transparent ground; NAME is one of
///     glyphs().
class WindowArtRecipe {
public:
    /// Registers the kinds "window" and "icon" with RECIPES, which writes into OUTPUTFOLDER.
    static void addKinds(MediaRecipes& recipes, const QString& outputFolder);

    /// Makes the pictures of RECIPE; the button's pictures are named relative to OUTPUTFOLDER.
    static void makeWindow(const MediaRecipes::Recipe& recipe, const QString& outputFolder);
    static void makeIcon(const MediaRecipes::Recipe& recipe);

    /// The icon glyphs this recipe draws.
    static QStringList glyphs();
    /// GLYPH drawn at SIZE x SIZE pixels; throws CourseError for an unknown glyph.
    static QImage drawGlyph(const QString& glyph, int size);
};
