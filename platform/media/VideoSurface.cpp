#include "VideoSurface.h"

#include <QPainter>
#include <QVideoSink>
#include <cmath>
#include <utility>

VideoSurface::VideoSurface(QWidget* parent)
    : QWidget(parent)
    , m_sink(new QVideoSink(this))
{
    // Every pixel is painted at each frame: nothing behind needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Frames come from the decoder's thread; they are taken in this widget's.
    connect(m_sink, &QVideoSink::videoFrameChanged, this, &VideoSurface::takeFrame, Qt::QueuedConnection);
}

void VideoSurface::takeFrame(const QVideoFrame& frame)
{
    m_frame = frame;
    m_image = QImage();
    m_fresh = true;
    update();
}

QRect VideoSurface::frameRect(const QSize& size, const QRect& area)
{
    if (size.isEmpty())
        return {};
    const QSize fitted = size.scaled(area.size(), Qt::KeepAspectRatio);
    QRect rect(QPoint(0, 0), fitted);
    rect.moveCenter(area.center());
    return rect;
}

void VideoSurface::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_image.isNull() && m_frame.isValid())
        m_image = m_frame.toImage();
    const QRect target = frameRect(m_image.size(), rect());
    // Black where the picture does not reach, and in place of a picture there is none of.
    const QRegion around = QRegion(rect()).subtracted(target);
    for (const QRect& part : around)
        painter.fillRect(part, Qt::black);
    if (target.isEmpty())
        return;
    // Whole device pixels per video pixel keep each pixel a square block; at any other
    // scale blocks of uneven sizes look worse than a slight blur.
    const double scale = target.width() * devicePixelRatioF() / m_image.width();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, scale != std::floor(scale));
    painter.drawImage(target, m_image);
    if (std::exchange(m_fresh, false)) {
        ++m_framesPainted;
        emit framePainted();
    }
}

void VideoSurface::setFullScreen(bool on)
{
    if (on == isFullScreen())
        return;
    Qt::WindowFlags flags = windowFlags();
    if (on) {
        m_placedFlags = flags & (Qt::Window | Qt::SubWindow);
        setWindowFlags((flags | Qt::Window) & ~Qt::SubWindow);
        showFullScreen();
    } else {
        setWindowFlags((flags & ~(Qt::Window | Qt::SubWindow)) | m_placedFlags);
        showNormal();
    }
}
