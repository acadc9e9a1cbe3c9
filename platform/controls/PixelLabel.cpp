#include "PixelLabel.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <cmath>

void setPictureScaling(QPainter& painter)
{
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, ratio != std::floor(ratio));
}

void PixelLabel::paintEvent(QPaintEvent* event)
{
    QPixmap picture = pixmap();
    // A stretched picture is drawn here at every factor: QLabel would smooth it at one
    // factor and not stretch it at all at another.
    const bool stretched = hasScaledContents();
    if (picture.isNull() || (!stretched && picture.devicePixelRatioF() == devicePixelRatioF())) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    setPictureScaling(painter);
    if (!isEnabled()) {
        QStyleOption option;
        option.initFrom(this);
        picture = style()->generatedIconPixmap(QIcon::Disabled, picture, &option);
    }
    if (stretched)
        painter.drawPixmap(contentsRect(), picture);
    else
        style()->drawItemPixmap(&painter, contentsRect(), int(QStyle::visualAlignment(layoutDirection(), alignment())), picture);
}
