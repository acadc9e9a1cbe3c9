#include "MessageWindow.h"

#include "ErrorReport.h"

#include <QLabel>
#include <algorithm>
#include <QPushButton>

MessageWindow::MessageWindow(const QString& text, QWidget* parent)
    : QDialog(parent)
    , m_text(new QLabel(this))
    , Command1(new QPushButton(QStringLiteral("&Aceptar"), this))
{
    setModal(true);
    MessageLoad(text);
    connect(Command1, &QPushButton::clicked, this, &MessageWindow::MessageAccept);
}

void MessageWindow::MessageLoad(const QString& text)
{
    setWindowTitle(ErrorReport::programTitle());
    m_text->setText(text);
    m_text->move(17, 17);
    // As wide as the text needs, plus a margin; the button centred below it. A text that
    // would make the window wider than the stage (a long file name) is broken into lines
    // instead, and the window grows down by as many lines, so nothing is cut off.
    int width = fontMetrics().horizontalAdvance(text) + 40;
    int extra = 0;
    if (width > MaximumWidth) {
        width = MaximumWidth;
        m_text->setWordWrap(true);
        // A label breaks only between words: a path may also break after each folder.
        QString breakable = text;
        m_text->setText(breakable.replace(QLatin1Char('/'), QStringLiteral("/\u200B")));
        m_text->setFixedWidth(width - 40);
        m_text->adjustSize();
        extra = std::max(0, m_text->height() - fontMetrics().height());
    } else {
        m_text->adjustSize();
    }
    setFixedSize(width, 102 + extra);
    Command1->adjustSize();
    Command1->move((width - Command1->width()) / 2, 50 + extra);
    Command1->setDefault(true);
}

void MessageWindow::MessageAccept()
{
    accept();
}
