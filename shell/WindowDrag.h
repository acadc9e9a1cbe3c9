#pragma once

#include <QPoint>

class QMouseEvent;
class QWidget;

/// Drags a window floating over the stage (the explorer, the glossary) by its body, as a
/// window is dragged by its title bar, and keeps it whole on the stage.
class WindowDrag {
public:
    explicit WindowDrag(QWidget& window)
        : m_window(window)
    {
    }

    /// A press on the body: the left button starts a drag, other buttons do nothing.
    /// Returns whether a drag started.
    bool press(const QMouseEvent& event);
    /// Follows the pointer while a drag is on.
    void move(const QMouseEvent& event);
    /// Ends the drag; returns whether the window ended somewhere else.
    bool release(const QMouseEvent& event);
    bool isDragging() const { return m_dragging; }
    /// Places the window in the middle of the stage.
    void centre();

private:
    QWidget& m_window;
    bool m_dragging = false;
    QPoint m_start; ///< where the press was, in global coordinates
    QPoint m_origin; ///< where the window was then
};
