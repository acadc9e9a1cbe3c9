#include "PictureSurface.h"

#include <QMouseEvent>

PictureSurface::PictureSurface(QWidget* parent)
    : PixelLabel(parent)
{
    setMouseTracking(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void PictureSurface::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    Q_EMIT moved(p.x(), p.y());
}

void PictureSurface::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        const QPoint p = event->position().toPoint();
        Q_EMIT clicked(p.x(), p.y());
    }
}
