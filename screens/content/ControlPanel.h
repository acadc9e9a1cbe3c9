#pragma once

#include "PixelLabel.h"
#include <QPoint>
#include <vector>

class FramedScreen;
class PictureSurface;

/// `VidControl`: the small movable panel that carries a lesson screen's playing buttons,
/// and its minimise icon `Minimizar`. Both lie on the screen's `Picture1` and never leave
/// it. The buttons whose hot rectangles lie on the panel when the screen is built travel
/// with it when the learner drags it, and cannot light up while it is minimised.
class ControlPanel : public PixelLabel {
    Q_OBJECT

public:
    explicit ControlPanel(FramedScreen& screen);

    /// The icon that stands for the minimised panel; a click on it brings the panel back.
    PictureSurface* Minimizar = nullptr;

    /// Dresses the panel with PICTURE at (X, Y) of `Picture1`; it stays hidden.
    void place(const QPixmap& picture, int x, int y);
    /// Dresses the minimise icon with PICTURE and the hand pointer; it starts hidden and disabled.
    void dressMinimiser(const QPixmap& picture, const QCursor& hand);
    /// Takes the buttons whose rectangles lie on the panel as the panel's own.
    void adoptButtons();
    /// Whether button INDEX travels with the panel.
    bool holdsButton(int index) const;
    /// Whether button INDEX may light up now: the panel's buttons only while it is shown.
    bool buttonUsable(int index) const;

    /// Shows and enables the panel and hides the minimise icon.
    void restore();
    /// Hides and disables the panel and shows the minimise icon in the bottom-right corner of `Picture1`.
    void minimise();
    bool isMinimised() const { return m_minimised; }

    /// Moves the panel by DELTA as far as `Picture1` allows, its buttons with it; returns the move made.
    QPoint dragBy(const QPoint& delta);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void setButtonsVisible(bool visible);

    FramedScreen& m_screen;
    std::vector<int> m_buttons;
    QPoint m_pressPoint;
    bool m_minimised = false;
};
