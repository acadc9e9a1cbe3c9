#include "PhrasePopup.h"

#include "ConversationRows.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QListWidget>

PhrasePopup::PhrasePopup(QWidget& stage, QListWidget& list)
    : QObject(&stage)
    , m_stage(stage)
    , m_list(list)
    , m_frame(new QFrame(&stage))
    , m_text(new QLabel(m_frame))
{
    m_frame->setObjectName(QStringLiteral("Picture2"));
    m_frame->setFrameStyle(QFrame::Box);
    m_frame->hide();
    m_text->setObjectName(QStringLiteral("TxtFrase"));
    m_text->move(2, 2);
    m_text->installEventFilter(this);
}

void PhrasePopup::place(const Recordset& row)
{
    m_frame->setGeometry(ConversationRows::geometry(row));
    m_height = m_frame->height();
    m_text->setFont(ConversationRows::font(row));
    ConversationRows::applyBackground(*m_frame, row, QPalette::Window);
}

void PhrasePopup::show(const QString& phrase, int row, int top)
{
    // The pop-up stays on the stage: a phrase too long for it is wrapped, and the
    // pop-up is moved left and up as far as it must.
    constexpr int Border = 5;
    const int width = m_stage.width();
    m_text->setWordWrap(false);
    m_text->setText(phrase);
    m_text->adjustSize();
    if (m_text->width() + Border > width) {
        m_text->setWordWrap(true);
        m_text->resize(width - Border, m_text->heightForWidth(width - Border));
    }
    m_frame->resize(m_text->width() + Border, std::max(m_height, m_text->height() + 4));
    const int bottom = m_list.y() + m_list.height();
    if (top + m_frame->height() > bottom)
        top = bottom - m_frame->height();
    const int left = std::min(m_list.x() + 20, width - m_frame->width());
    m_frame->move(std::max(0, left), std::clamp(top, 0, std::max(0, m_stage.height() - m_frame->height())));
    m_frame->raise();
    m_frame->show();
    m_row = row;
}

void PhrasePopup::hide()
{
    m_frame->hide();
    m_row = -1;
}

bool PhrasePopup::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_text && event->type() == QEvent::MouseButtonPress) {
        emit clicked();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
