#include "WindowDrag.h"

#include "ScreenHost.h"

#include <QMouseEvent>
#include <QWidget>
#include <algorithm>

bool WindowDrag::press(const QMouseEvent& event)
{
    if (event.button() != Qt::LeftButton)
        return false;
    m_dragging = true;
    m_start = event.globalPosition().toPoint();
    m_origin = m_window.pos();
    return true;
}

void WindowDrag::move(const QMouseEvent& event)
{
    if (!m_dragging)
        return;
    const QPoint to = m_origin + event.globalPosition().toPoint() - m_start;
    m_window.move(std::clamp(to.x(), 0, std::max(0, ScreenHost::StageWidth - m_window.width())),
        std::clamp(to.y(), 0, std::max(0, ScreenHost::StageHeight - m_window.height())));
}

bool WindowDrag::release(const QMouseEvent& event)
{
    if (event.button() != Qt::LeftButton || !m_dragging)
        return false;
    m_dragging = false;
    return m_window.pos() != m_origin;
}

void WindowDrag::centre()
{
    m_window.move((ScreenHost::StageWidth - m_window.width()) / 2, (ScreenHost::StageHeight - m_window.height()) / 2);
}
