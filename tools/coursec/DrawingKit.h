#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRect>
#include <QString>

class QPainter;

/// Small drawing and parsing helpers shared by the picture-making recipes (maps,
/// panoramas, video frames).
namespace DrawingKit {

/// The course's wooden frames and their ink, shared by every drawn picture.
inline const QColor wood(122, 78, 45);
inline const QColor woodDark(84, 52, 28);
inline const QColor woodInk(74, 44, 20);

/// Fills ALL with a paper gradient from LIGHT to DARK and frames it in wood: a dark
/// border of width BORDER along the edge and a thin line INSET pixels inside it.
void drawPaperPanel(QPainter& painter, const QRectF& all, const QColor& light, const QColor& dark, qreal border, qreal inset);

/// A closed curve through POINTS (Catmull-Rom turned into cubic Béziers).
QPainterPath smoothClosedPath(const QList<QPointF>& points);
/// An open curve through POINTS.
QPainterPath smoothOpenPath(const QList<QPointF>& points);

/// "x,y x,y ..." → points; throws CourseError naming WHAT when a pair is malformed or fewer than MINIMUM.
QList<QPointF> parsePoints(const QString& text, const QString& what, int minimum);
/// "r,g,b" with components 0–255; throws CourseError naming WHAT otherwise.
QColor parseRgb(const QString& text, const QString& what);
/// "#rrggbb" or a colour name; throws CourseError naming WHAT otherwise.
QColor parseColour(const QString& text, const QString& what);
/// "x,y,w,h" with a positive size; throws CourseError naming WHAT otherwise.
QRect parseRect(const QString& text, const QString& what);
/// "WxH" with a positive size; throws CourseError naming WHAT otherwise.
QSize parseSize(const QString& text, const QString& what);
/// A whole number; throws CourseError naming WHAT otherwise.
int parseInt(const QString& text, const QString& what);

/// DejaVu Sans at PIXELS pixels.
QFont font(int pixels, QFont::Weight weight = QFont::Normal);

/// Text centred on CENTRE with a soft halo of HALO behind it so that it reads on any ground.
void drawHaloText(QPainter& painter, const QPointF& centre, const QString& text, const QFont& font,
    const QColor& ink, const QColor& halo);

/// A rounded plaque with TEXT ('|' breaks lines) centred on CENTRE; returns its rectangle.
QRectF drawPlaque(QPainter& painter, const QPointF& centre, const QString& text, const QFont& font,
    const QColor& fill, const QColor& ink, const QColor& border);

/// Saves IMAGE to FILE (a .bmp is written as a 24-bit bitmap); throws CourseError when it cannot.
void savePicture(const QImage& image, const QString& file);

/// Converts a course file name written with '/' to the course's own form with '\'.
QString courseName(const QString& name);

} // namespace DrawingKit
