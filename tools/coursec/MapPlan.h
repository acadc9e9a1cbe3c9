#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

/// The description of an illustrated map: its scene, its chapter regions and the button
/// bar shared by every map of the course. Read from a text file of lines
///   KEYWORD key=value key="quoted value" ...
/// Keywords of a map file:
///   scene name=island|town title="..." [size=WxH]
///   buttons file=PATH            (the shared button bar, relative to the course source)
///   land points="x,y x,y ..."    (a piece of land drawn under the regions)
///   road width=W points="..."    river width=W points="..."
///   region chapter=N mask=R,G,B name="..." fill=#rrggbb points="..." [label=x,y] [decor=trees|houses|hills|fields|none]
/// Keywords of a buttons file:
///   bar rect=x,y,w,h
///   button accion=N rect=x,y,w,h icon=NAME label="..." lit=PATH
///   navbox rect=x,y,w,h picture=PATH title="..." list=x,y,w,h   (list relative to the box)
/// A region's name may break lines with '|'.
class MapPlan {
public:
    struct Region {
        int chapter = 0;
        QColor maskColour;
        QString name;
        QColor fill;
        QList<QPointF> points;
        std::optional<QPointF> label;
        QString decor;
        /// The label's centre: the given point, else the centre of the shape's points.
        QPointF labelCentre() const;
    };
    struct Stroke {
        enum class Kind { Road, River };
        Kind kind = Kind::Road;
        qreal width = 10;
        QList<QPointF> points;
    };
    struct Button {
        int accion = 0;
        QRect rect;
        QString icon;
        QString label;
        QString lit; ///< the lit picture, relative to the course folder, with '/'
    };
    struct NavBox {
        QRect rect;
        QString picture;
        QString title;
        QRect list; ///< where the navigation list lies, relative to the box
    };

    /// Reads FILE; paths inside it are relative to SOURCEFOLDER. Throws CourseError naming
    /// the file, the line and what is wrong.
    static MapPlan read(const QString& file, const QString& sourceFolder);

    QSize size { 640, 480 };
    QString scene;
    QString title;
    QList<QList<QPointF>> lands;
    QList<Stroke> strokes;
    QList<Region> regions;
    QRect bar;
    QList<Button> buttons;
    std::optional<NavBox> navBox;

private:
    void readButtons(const QString& file);
    void check(const QString& file) const;
};
