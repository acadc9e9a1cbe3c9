#include "ConversationRows.h"

#include "NineDigitColour.h"
#include "Recordset.h"

#include <QFont>
#include <QLabel>
#include <QRect>
#include <QTextEdit>
#include <QWidget>

QFont ConversationRows::font(const Recordset& row)
{
    QFont font(row.text(QStringLiteral("Font")));
    if (const double points = row.value(QStringLiteral("tamanofont")).toDouble(); points > 0)
        font.setPointSizeF(points);
    return font;
}

QRect ConversationRows::geometry(const Recordset& row)
{
    return { int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))), int(row.number(QStringLiteral("ancho"))),
        int(row.number(QStringLiteral("alto"))) };
}

void ConversationRows::applyFontColour(QWidget& control, const Recordset& row, QPalette::ColorRole role)
{
    const auto colour = quint32(row.number(QStringLiteral("colorfont")));
    if (colour == 0)
        return;
    QPalette p = control.palette();
    p.setColor(role, QColor(int(colour & 0xff), int((colour >> 8) & 0xff), int((colour >> 16) & 0xff)));
    control.setPalette(p);
}

void ConversationRows::applyBackground(QWidget& control, const Recordset& row, QPalette::ColorRole role)
{
    const QString colour = row.text(QStringLiteral("bitmapactivo"));
    if (colour.trimmed().isEmpty())
        return;
    QPalette p = control.palette();
    p.setColor(role, nineDigitColour(colour));
    control.setPalette(p);
    control.setAutoFillBackground(true);
}

QLabel* ConversationRows::title(QWidget& stage, const Recordset& row)
{
    auto* label = new QLabel(&stage);
    label->setObjectName(QStringLiteral("lbltit"));
    label->setGeometry(geometry(row));
    label->setFont(font(row));
    label->setWordWrap(true);
    applyFontColour(*label, row, QPalette::WindowText);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

QTextEdit* ConversationRows::subtitleBox(QWidget& stage, const Recordset& row, const QString& name)
{
    auto* box = new QTextEdit(&stage);
    box->setObjectName(name);
    box->setGeometry(geometry(row));
    box->setFont(font(row));
    box->setReadOnly(true);
    // The subtitles never keep the focus: it stays with the screen.
    box->setFocusPolicy(Qt::NoFocus);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    applyFontColour(*box, row, QPalette::Text);
    applyBackground(*box, row, QPalette::Base);
    return box;
}
