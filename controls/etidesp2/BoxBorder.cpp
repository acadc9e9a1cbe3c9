#include "BoxBorder.h"

#include "TextBox.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {

// The blank a line edit keeps between its frame and its text (Qt's own, not a metric).
constexpr int kTextMargin = 2;

} // namespace

BoxBorder::BoxBorder(TextBox& box, QWidget* surface)
    : QWidget(surface)
    , m_box(box)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void BoxBorder::paintEvent(QPaintEvent*)
{
    const QRect box = m_box.geometry();
    const bool cutLeft = box.left() < 0;
    const bool cutRight = box.right() > rect().right();
    if (!m_box.hasFrame() || (!cutLeft && !cutRight))
        return; // the box shows its own border
    // The box's own panel, as it would look were it the control's size, shown on the
    // control's cut edges only: its frame and the blank before its text.
    QStyleOptionFrame panel = m_box.panelOption();
    panel.rect = rect();
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &panel, &m_box);
    QPainter painter(this);
    const auto showEdge = [&](const QRect& edge) {
        painter.save();
        painter.setClipRect(edge);
        // What the panel leaves unpainted (rounded corners) shows the surface, as beside the box.
        painter.fillRect(edge, parentWidget()->palette().brush(parentWidget()->backgroundRole()));
        painter.fillRect(rect().marginsRemoved({ panel.lineWidth, panel.lineWidth, panel.lineWidth, panel.lineWidth }), panel.palette.base());
        style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, &m_box);
        painter.restore();
    };
    if (cutRight) {
        const int blank = width() - contents.right() - 1 + kTextMargin;
        showEdge(QRect(width() - blank, 0, blank, height()));
    }
    if (cutLeft)
        showEdge(QRect(0, 0, contents.left() + kTextMargin, height()));
}
