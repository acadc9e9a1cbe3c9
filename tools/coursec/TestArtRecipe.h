#pragma once

#include "MediaRecipes.h"

#include <QList>
#include <QRect>
#include <QString>

/// The recipe kind "testscreen": the pictures of the test screen (screen 14), in the
/// paper-and-wood look of the maps:
///   testscreen OUT.bmp folder=DIR title="..." fourth="..."
/// OUT is the background with every button drawn at rest, the question board, four answer
/// rows (the fourth answer's text FOURTH drawn on it: the test has no text column for it),
/// the counter's and the score's places, and the button bar. Into DIR go each button's lit
/// picture (NAME.bmp) and pressed picture (NAME_pulsado.bmp); for the answer buttons
/// respuesta_1.bmp to respuesta_4.bmp lit, correcta.bmp (the pressed picture, which the
/// result view puts on the right answer) and marca.bmp (the learner's choice); the pop-up
/// panel panel.bmp with its buttons' lit pictures panel_NAME.bmp.
/// The layout is fixed here (buttons(), panelButtons(), labels()), and the screen's rows of
/// the course place their objects by it.
class TestArtRecipe {
public:
    /// A button of the screen or of its panel: its action, its role (identificativo), where
    /// it lies (on the screen, or on the panel for the panel's buttons), its picture name.
    struct Button {
        int accion = 0;
        int role = 0;
        QRect rect;
        QString name;
        QString label;
    };
    /// A label of the screen: its role and its place (X, Y, ancho, alto).
    struct Label {
        int role = 0;
        QRect rect;
    };

    static QList<Button> buttons();
    static QList<Button> panelButtons();
    static QList<Label> labels();
    /// The panel picture's size.
    static QSize panelSize();

    /// Registers the kind "testscreen" with RECIPES, which writes into OUTPUTFOLDER.
    static void addKinds(MediaRecipes& recipes, const QString& outputFolder);
    /// Makes every picture of RECIPE; throws CourseError naming what is wrong.
    static void make(const MediaRecipes::Recipe& recipe, const QString& outputFolder);
};
