#include "PictureList.h"

#include "CourseError.h"
#include "PixelLabel.h"
#include "SpanishCollation.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QtDebug>

#include <algorithm>

namespace {

constexpr int entryMargin = 2; // left of the picture, and above and below the taller of picture and text
constexpr int pictureGap = 4; // between the picture and the text

QColor blend(const QColor& from, const QColor& to, double amount)
{
    return QColor::fromRgbF(from.redF() + (to.redF() - from.redF()) * amount,
        from.greenF() + (to.greenF() - from.greenF()) * amount,
        from.blueF() + (to.blueF() - from.blueF()) * amount);
}

} // namespace

/// Draws one entry: its band (current or hovered), its picture and its text.
class PictureList::Delegate : public QStyledItemDelegate {
public:
    explicit Delegate(PictureList* owner)
        : QStyledItemDelegate(owner)
        , m_owner(owner)
    {
    }

    QPixmap rest;
    QPixmap selected;
    int entryHeight = 16;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool current = option.state.testFlag(QStyle::State_Selected);
        const QColor background = m_owner->m_colour;
        const QColor ink = qGray(background.rgb()) >= 128 ? QColor(Qt::black) : QColor(Qt::white);
        const QRect r = option.rect;
        if (current)
            painter->fillRect(r, blend(background, ink, 0.3));
        else if (index.row() == m_owner->m_hoverRow)
            painter->fillRect(r, blend(background, ink, 0.12));

        const QPixmap& picture = current && !selected.isNull() ? selected : rest;
        if (!picture.isNull()) {
            setPictureScaling(*painter);
            painter->drawPixmap(r.left() + entryMargin, r.top() + (r.height() - picture.height()) / 2, picture);
        }
        painter->setFont(option.font);
        painter->setPen(ink);
        const QRect area = textArea(option, picture);
        painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shownText(option, area, index));
    }

    /// The entry's text as drawn: cut short with "…" when it does not fit its area.
    static QString shownText(const QStyleOptionViewItem& option, const QRect& area, const QModelIndex& index)
    {
        return QFontMetrics(option.font).elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, area.width());
    }

    QRect textArea(const QStyleOptionViewItem& option, const QPixmap& picture) const
    {
        const QRect r = option.rect;
        const int x = r.left() + entryMargin + (picture.isNull() ? 0 : picture.width() + pictureGap);
        return QRect(x, r.top(), r.right() - x, r.height());
    }

    // An entry cut short shows its whole text under the pointer; one that fits shows none.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option, const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QStyleOptionViewItem entry = option;
        entry.font = view->font();
        const QString whole = index.data(Qt::DisplayRole).toString();
        const bool current = index.row() == m_owner->m_current;
        const QPixmap& picture = current && !selected.isNull() ? selected : rest;
        if (shownText(entry, textArea(entry, picture), index) != whole)
            QToolTip::showText(event->globalPos(), whole, view->viewport(), option.rect);
        else
            QToolTip::hideText();
        return true;
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return { 1, entryHeight }; }

private:
    PictureList* m_owner;
};

PictureList::PictureList(QWidget* parent)
    : QWidget(parent)
    , m_list(new QListWidget(this))
    , m_delegate(new Delegate(this))
{
    m_list->setItemDelegate(m_delegate);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setUniformItemSizes(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->viewport()->setMouseTracking(true);
    m_list->viewport()->installEventFilter(this);
    m_list->installEventFilter(this);
    setFocusProxy(m_list);
    setDisplayOptions({});
    setColour(m_colour);
    updateEntryHeight();

    // The view moves its current entry by itself at times (on gaining the focus, on typed
    // letters); only our own code may, so such moves are put back.
    connect(m_list, &QListWidget::currentRowChanged, this, [this] {
        if (!m_settingCurrent)
            makeCurrent(m_current);
    });
}

void PictureList::setEntryFont(const QString& family, double pointSize)
{
    QFont font = m_list->font();
    font.setFamily(family);
    if (pointSize > 0)
        font.setPointSizeF(pointSize);
    m_list->setFont(font);
    updateEntryHeight();
}

void PictureList::setPictures(const QPixmap& rest, const QPixmap& selected)
{
    m_delegate->rest = rest;
    m_delegate->selected = selected;
    updateEntryHeight();
}

void PictureList::setPictureFiles(const QString& restFile, const QString& selectedFile)
{
    const auto load = [](const QString& file) {
        QPixmap picture;
        if (!file.isEmpty() && !picture.load(file))
            throw CourseError(QStringLiteral("The list picture \"%1\" cannot be loaded").arg(file));
        return picture;
    };
    const QPixmap rest = load(restFile);
    setPictures(rest, load(selectedFile));
}

void PictureList::setColour(const QColor& colour)
{
    m_colour = colour;
    // Only the inside takes the colour; the scroll bar keeps its usual look.
    QWidget* inside = m_list->viewport();
    QPalette palette = inside->palette();
    palette.setColor(QPalette::Base, colour);
    inside->setPalette(palette);
    inside->update();
}

void PictureList::setDisplayOptions(DisplayOptions options)
{
    m_options = options;
    m_list->setFrameStyle(options.testFlag(DisplayOption::Framed) ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
    m_list->setLineWidth(1);
    m_list->setVerticalScrollBarPolicy(options.testFlag(DisplayOption::ScrollBar) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void PictureList::clear()
{
    m_settingCurrent = true;
    m_list->clear();
    m_settingCurrent = false;
    m_current = -1;
    m_newIndex = -1;
    m_hoverRow = -1;
}

int PictureList::addItem(const QString& text)
{
    m_list->addItem(text);
    m_newIndex = m_list->count() - 1;
    return m_newIndex;
}

int PictureList::count() const
{
    return m_list->count();
}

QString PictureList::itemText(int index) const
{
    const QListWidgetItem* item = m_list->item(index);
    return item ? item->text() : QString();
}

qint32 PictureList::itemData(int index) const
{
    const QListWidgetItem* item = m_list->item(index);
    if (!item) {
        qWarning("PictureList: item data asked of entry %d of %d", index, count());
        return 0;
    }
    return item->data(Qt::UserRole).value<qint32>();
}

void PictureList::setItemData(int index, qint32 value)
{
    QListWidgetItem* item = m_list->item(index);
    if (!item) {
        qWarning("PictureList: item data given to entry %d of %d", index, count());
        return;
    }
    item->setData(Qt::UserRole, value);
}

bool PictureList::setListIndex(int index)
{
    if (index < -1 || index >= count())
        return false;
    if (index == m_current)
        return true;
    makeCurrent(index);
    if (index >= 0)
        emit click();
    return true;
}

QString PictureList::text() const
{
    return itemText(m_current);
}

int PictureList::find(const QString& text)
{
    for (int i = 0; i < count(); ++i) {
        if (SpanishCollation::startsWith(m_list->item(i)->text(), text)) {
            makeCurrent(i);
            return i;
        }
    }
    return -1;
}

int PictureList::topIndex() const
{
    if (count() == 0)
        return -1;
    return std::max(m_list->indexAt(QPoint(0, 0)).row(), 0);
}

void PictureList::setTopIndex(int index)
{
    if (QListWidgetItem* item = m_list->item(index))
        m_list->scrollToItem(item, QAbstractItemView::PositionAtTop);
}

int PictureList::itemFromPoint(const QPoint& point) const
{
    const QPoint inView = m_list->viewport()->mapFrom(this, point);
    if (!m_list->viewport()->rect().contains(inView))
        return -1;
    return m_list->indexAt(inView).row();
}

void PictureList::setHoverHighlight(bool on)
{
    m_hoverHighlight = on;
    if (!on)
        setHoverRow(-1);
}

bool PictureList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            pointerPressed(*static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::MouseMove:
            pointerMoved(*static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::MouseButtonRelease:
            return true; // the view would otherwise select on release
        case QEvent::Enter:
            m_hoverHighlight = true;
            break;
        case QEvent::Leave:
            setHoverRow(-1);
            break;
        default:
            break;
        }
    } else if (watched == m_list && event->type() == QEvent::KeyPress) {
        return keyPressed(*static_cast<QKeyEvent*>(event));
    }
    return QWidget::eventFilter(watched, event);
}

void PictureList::resizeEvent(QResizeEvent* event)
{
    m_list->setGeometry(rect());
    QWidget::resizeEvent(event);
}

void PictureList::makeCurrent(int index)
{
    m_settingCurrent = true;
    m_current = index;
    m_list->setCurrentRow(index);
    if (QListWidgetItem* item = m_list->item(index))
        m_list->scrollToItem(item, QAbstractItemView::EnsureVisible);
    m_settingCurrent = false;
}

void PictureList::setHoverRow(int row)
{
    if (row == m_hoverRow)
        return;
    m_hoverRow = row;
    m_list->viewport()->update();
}

void PictureList::pointerPressed(const QMouseEvent& event)
{
    const QPoint inView = event.position().toPoint();
    const QPoint here = m_list->viewport()->mapTo(this, inView);
    const int row = m_list->indexAt(inView).row();
    const bool choosing = event.button() == Qt::LeftButton && row >= 0;
    if (choosing)
        makeCurrent(row);
    emit mouseDown(event.button(), event.modifiers(), here.x(), here.y());
    // A mouse-down handler may have emptied or refilled the list; the click is only for
    // the entry that was pressed.
    if (choosing && m_current == row)
        emit click();
}

void PictureList::pointerMoved(const QMouseEvent& event)
{
    const QPoint inView = event.position().toPoint();
    if (m_hoverHighlight)
        setHoverRow(m_list->indexAt(inView).row());
    const QPoint here = m_list->viewport()->mapTo(this, inView);
    emit mouseMove(event.buttons(), event.modifiers(), here.x(), here.y());
}

bool PictureList::keyPressed(const QKeyEvent& event)
{
    const int page = std::max(1, m_list->viewport()->height() / std::max(1, m_delegate->entryHeight));
    int row = m_current;
    switch (event.key()) {
    case Qt::Key_Up: row -= 1; break;
    case Qt::Key_Down: row += 1; break;
    case Qt::Key_PageUp: row -= page; break;
    case Qt::Key_PageDown: row += page; break;
    case Qt::Key_Home: row = 0; break;
    case Qt::Key_End: row = count() - 1; break;
    default: return false;
    }
    if (count() > 0)
        setListIndex(std::clamp(row, 0, count() - 1));
    return true;
}

void PictureList::updateEntryHeight()
{
    const int tallest = std::max({ m_delegate->rest.height(), m_delegate->selected.height(), m_list->fontMetrics().height() });
    m_delegate->entryHeight = tallest + 2 * entryMargin;
    m_list->doItemsLayout();
}
