#include "FrameButton.h"

#include <QMouseEvent>

FrameButton::FrameButton(int index, QWidget* parent)
    : PixelLabel(parent)
    , m_index(index)
{
    setMouseTracking(true);
    hide();
}

void FrameButton::mouseMoveEvent(QMouseEvent* event)
{
    // Taken here: a move over a lit button must not reach the background under it,
    // which would put the button out again.
    event->accept();
    Q_EMIT moved(m_index);
}

void FrameButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT pressed(m_index);
}

void FrameButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    Q_EMIT released(m_index);
    // A click is a press and a release over the button.
    if (rect().contains(event->position().toPoint()))
        Q_EMIT clicked(m_index);
}
