#pragma once

#include "MediaRecipes.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

class MapPainter;
class QPainter;

/// The recipe kind "lessonscreen": the pictures of the lesson screens (carousel and
/// video), drawn in the look of the maps, in three parts:
///   lessonscreen OUT.bmp part=frame [mood=day|sunset] [heading="..."] [video=x,y,w,h]
///                lit=PREFIX panel=PANEL.bmp buttons="inicio,anterior,..." panellit=PREFIX icon=ICON.bmp
///     the screen's background with its bar of buttons at rest; the lit bar buttons
///     (PREFIX + volver|navegar|ayuda + .bmp); the control panel with its playing buttons at
///     rest; each playing button lit (PREFIX + name + .bmp); the minimised panel's icon.
///   lessonscreen OUT.bmp part=scene scene=NAME [mood=day|sunset|night] english="..." spanish="..."
///     a carousel picture: a drawn scene inside the same frame.
///   lessonscreen OUT.bmp part=cards [mood=...] lit=PREFIX tiles="name:Label,..." tilelit=PREFIX [wells="x,y,w,h;..."]
///                [playing="reproducir,pausa,..." playat=x,y playlit=PREFIX]
///     a card screen's background: the bar with its three buttons and, after them, one
///     labelled button per tile at rest (lit: PREFIX + name + .bmp, placed by cardTileAt()),
///     paper wells under the screen's list, text and pictures, and a row of the card
///     sound's playing buttons from playat (lit: playlit + name + .bmp, every CardPlayStep).
///   lessonscreen OUT.bmp part=help size=WxH title="..." text="first|second" [miniature=FILE] [map=PLAN] [screen=CODE screentitle="..." [backdrop=FILE] [video=X,Y,W,H] [subtitles="en|es"]]
///     a help card; FILE (a picture of the course folder), the map of PLAN (in the
///     course source) or the screen CODE as its rows lay it out (see ScreenMiniature;
///     backdrop replaces its background, video marks where its video plays, subtitles fill its subtitle boxes) is shown
///     small beside the text.
/// The bar's and the panel's layout is fixed here, and the screens' rows of the course
/// place their buttons by it (see barButtons() and panelButtonAt()).
class LessonArtRecipe {
public:
    /// A button of the bar at the bottom of every lesson screen.
    struct BarButton {
        int accion = 0;
        QRect rect;
        QString icon;
        QString label;
        QString name;
    };
    static constexpr int PanelTile = 34;
    static constexpr int PanelStep = 38;
    static constexpr int PanelLeft = 8;
    static constexpr int PanelTop = 22;
    static constexpr int CardTileLeft = 205;
    static constexpr int CardTileStep = 54;
    static constexpr int CardPlayStep = 34;

    LessonArtRecipe(const QString& sourceFolder, const QString& outputFolder);

    /// Registers the lesson screens' kinds ("lessonscreen" and "narration") with RECIPES.
    static void addKinds(MediaRecipes& recipes, const QString& sourceFolder, const QString& outputFolder);

    /// Makes every picture of RECIPE; throws CourseError naming what is wrong.
    void make(const MediaRecipes::Recipe& recipe) const;

    static QList<BarButton> barButtons();
    /// Where playing button INDEX lies on its panel.
    static QRect panelButtonAt(int index);
    /// Where a card screen's button INDEX lies in the bar, after the bar's own three.
    static QRect cardTileAt(int index);
    /// The names of the playing buttons this recipe draws.
    static bool knowsPanelIcon(const QString& icon);

private:
    void makeFrame(const MediaRecipes::Recipe& recipe) const;
    void makeScene(const MediaRecipes::Recipe& recipe) const;
    void makeHelp(const MediaRecipes::Recipe& recipe) const;
    void makeCards(const MediaRecipes::Recipe& recipe) const;
    void saveLitBar(const MediaRecipes::Recipe& recipe, const MapPainter& bars) const;

    QString m_source;
    QString m_output;
};
