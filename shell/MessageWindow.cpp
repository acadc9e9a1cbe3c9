#include "MessageWindow.h"

#include "ErrorReport.h"

#include <QLabel>
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
    m_text->adjustSize();
    // As wide as the text needs, plus a margin; the button centred below it.
    const int width = fontMetrics().horizontalAdvance(text) + 40;
    setFixedSize(width, 102);
    Command1->adjustSize();
    Command1->move((width - Command1->width()) / 2, 50);
    Command1->setDefault(true);
}

void MessageWindow::MessageAccept()
{
    accept();
}
