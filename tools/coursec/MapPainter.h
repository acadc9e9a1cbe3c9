#pragma once

#include "MapPlan.h"

#include <QImage>

class QPainter;

/// Draws the pictures of an illustrated map from its plan: the map itself (optionally with
/// one region highlighted and the buttons lit), the colour mask and the navigation box.
class MapPainter {
public:
    enum class ButtonLook { AtRest, Lit };

    explicit MapPainter(const MapPlan& plan);

    /// The map picture; HIGHLIGHT is the chapter whose region is drawn highlighted (0: none).
    QImage render(int highlight, ButtonLook look) const;
    /// The colour mask: each region filled flat in its own colour, all else black, no antialiasing.
    QImage renderMask() const;
    /// True when ICON names a button icon this painter draws.
    /// Draws the bar icon ICON in BOX (a 24 x 24 drawing scaled to it) with INK.
    static void drawIcon(QPainter& painter, const QString& icon, const QRectF& box, const QColor& ink, ButtonLook look);
    static bool knowsIcon(const QString& icon);
    /// The picture behind the navigation list; an empty image when the plan has no box.
    QImage renderNavBox() const;

private:
    void drawGround(QPainter& painter) const;
    void drawStrokes(QPainter& painter) const;
    void drawRegion(QPainter& painter, const MapPlan::Region& region, bool highlighted) const;
    void drawDecor(QPainter& painter, const MapPlan::Region& region) const;
    void drawTitle(QPainter& painter) const;
    void drawCompass(QPainter& painter, const QPointF& centre, qreal radius) const;
    void drawBar(QPainter& painter, ButtonLook look) const;
    void drawButton(QPainter& painter, const MapPlan::Button& button, ButtonLook look) const;

    const MapPlan& m_plan;
};
