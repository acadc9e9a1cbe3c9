#include "ControlPanel.h"

#include "FrameButton.h"
#include "FramedScreen.h"
#include "PictureSurface.h"

#include <QMouseEvent>
#include <algorithm>

ControlPanel::ControlPanel(FramedScreen& screen)
    : PixelLabel(screen.Picture1)
    , Minimizar(new PictureSurface(screen.Picture1))
    , m_screen(screen)
{
    setObjectName(QStringLiteral("VidControl"));
    setMouseTracking(true);
    hide();
    Minimizar->setObjectName(QStringLiteral("Minimizar"));
    Minimizar->hide();
    Minimizar->setEnabled(false);
    connect(Minimizar, &PictureSurface::clicked, this, &ControlPanel::restore);
}

void ControlPanel::place(const QPixmap& picture, int x, int y)
{
    setPixmap(picture);
    resize(picture.size());
    move(x, y);
    hide();
}

void ControlPanel::dressMinimiser(const QPixmap& picture, const QCursor& hand)
{
    Minimizar->setPixmap(picture);
    Minimizar->resize(picture.size());
    Minimizar->setCursor(hand);
    Minimizar->hide();
    Minimizar->setEnabled(false);
}

void ControlPanel::adoptButtons()
{
    m_buttons.clear();
    const QRect panel = geometry();
    const auto& records = m_screen.buttons();
    for (size_t i = 1; i < records.size(); ++i) {
        const ButtonRecord& r = records[i];
        if (panel.contains(QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1))))
            m_buttons.push_back(int(i));
    }
}

bool ControlPanel::holdsButton(int index) const
{
    return std::find(m_buttons.begin(), m_buttons.end(), index) != m_buttons.end();
}

bool ControlPanel::buttonUsable(int index) const
{
    return !holdsButton(index) || !isHidden();
}

void ControlPanel::setButtonsVisible(bool visible)
{
    for (const int index : m_buttons)
        m_screen.Imagex[size_t(index)]->setVisible(visible);
}

void ControlPanel::restore()
{
    m_minimised = false;
    show();
    setEnabled(true);
    raise();
    Minimizar->hide();
    Minimizar->setEnabled(false);
}

void ControlPanel::minimise()
{
    m_minimised = true;
    hide();
    setEnabled(false);
    // A lit button of the panel would otherwise stay behind on the picture.
    setButtonsVisible(false);
    const QWidget* picture = m_screen.Picture1;
    Minimizar->move(picture->width() - Minimizar->width(), picture->height() - Minimizar->height());
    Minimizar->setEnabled(true);
    Minimizar->show();
    Minimizar->raise();
}

QPoint ControlPanel::dragBy(const QPoint& delta)
{
    // The panel stays wholly inside Picture1 whatever the pointer does.
    const QWidget* picture = m_screen.Picture1;
    const int x = std::clamp(this->x() + delta.x(), 0, std::max(0, picture->width() - width()));
    const int y = std::clamp(this->y() + delta.y(), 0, std::max(0, picture->height() - height()));
    const QPoint moved = QPoint(x, y) - pos();
    if (moved.isNull())
        return moved;
    move(x, y);
    for (const int index : m_buttons) {
        ButtonRecord& r = m_screen.button(index);
        r.left = qint16(r.left + moved.x());
        r.right = qint16(r.right + moved.x());
        r.top = qint16(r.top + moved.y());
        r.bottom = qint16(r.bottom + moved.y());
        m_screen.Imagex[size_t(index)]->move(m_screen.Imagex[size_t(index)]->pos() + moved);
    }
    return moved;
}

void ControlPanel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_pressPoint = event->position().toPoint();
    event->accept();
}

void ControlPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton) {
        dragBy(event->position().toPoint() - m_pressPoint);
    } else {
        // Over the panel the pointer is over the screen's picture: the navigation box
        // closes and the button under the pointer lights up as it would on the background.
        const QPoint at = pos() + event->position().toPoint();
        m_screen.BackgroundMouseMove(at.x(), at.y());
    }
    event->accept();
}
