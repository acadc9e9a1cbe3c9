#include "TextBox.h"

#include "EventCodes.h"
#include "Twips.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include <stdexcept>

namespace {

[[noreturn]] void refuse(const char* property, const QString& value, const char* expected)
{
    throw std::invalid_argument(QStringLiteral("Invalid value %1 for %2: %3 expected")
                                    .arg(value, QLatin1String(property), QLatin1String(expected))
                                    .toStdString());
}

// The key event that makes a line edit act on one character, the way an ordinary text
// box acts on a character message: control characters keep their editing meaning.
QKeyEvent characterEvent(QChar c)
{
    const QString text(c);
    switch (c.unicode()) {
    case 8:
        return QKeyEvent(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, text);
    case 9:
        return QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, text);
    case 13:
        return QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, text);
    case 27:
        return QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, text);
    default:
        break;
    }
    if (c.unicode() >= 1 && c.unicode() <= 26) // Ctrl+A .. Ctrl+Z
        return QKeyEvent(QEvent::KeyPress, Qt::Key_A + (c.unicode() - 1), Qt::ControlModifier, text);
    return QKeyEvent(QEvent::KeyPress, 0, Qt::NoModifier, text);
}

}

TextBox::TextBox(QWidget* surface)
    : QLineEdit(surface)
{
    setObjectName(QStringLiteral("Text1"));
    placeOnSurface();
    applyColors();
}

void TextBox::setLeftTwips(float left)
{
    moveTwips(left, m_top);
}

void TextBox::setTopTwips(float top)
{
    moveTwips(m_left, top);
}

void TextBox::setWidthTwips(float width)
{
    resizeTwips(width, m_height);
}

void TextBox::setHeightTwips(float height)
{
    resizeTwips(m_width, height);
}

void TextBox::moveTwips(float left, float top)
{
    m_left = left;
    m_top = top;
    placeOnSurface();
}

void TextBox::resizeTwips(float width, float height)
{
    m_width = qMax(0.0f, width);
    m_height = qMax(0.0f, height);
    placeOnSurface();
}

void TextBox::placeOnSurface()
{
    const float perPixelX = Twips::perPixelX(*this);
    const float perPixelY = Twips::perPixelY(*this);
    // Both edges are rounded, not the size, so that a box whose right edge meets the
    // surface's in twips meets it in pixels too.
    const int x = qRound(m_left / perPixelX);
    const int y = qRound(m_top / perPixelY);
    setGeometry(x, y, qRound((m_left + m_width) / perPixelX) - x, qRound((m_top + m_height) / perPixelY) - y);
}

void TextBox::setBackColor(quint32 value)
{
    if (!ColorValue::isValid(value))
        refuse("BackColor", ColorValue::toText(value), "an RGB value or a system colour");
    m_backColor = value;
    applyColors();
}

void TextBox::setForeColor(quint32 value)
{
    if (!ColorValue::isValid(value))
        refuse("ForeColor", ColorValue::toText(value), "an RGB value or a system colour");
    m_foreColor = value;
    applyColors();
}

void TextBox::applyColors()
{
    // System colours are taken from the surface's palette: the box's own is overridden here.
    const QPalette system = parentWidget() ? parentWidget()->palette() : QPalette();
    QPalette colors = palette();
    colors.setColor(QPalette::Base, ColorValue::toColor(m_backColor, system));
    // A disabled box keeps the style's greyed text.
    const QColor text = ColorValue::toColor(m_foreColor, system);
    colors.setColor(QPalette::Active, QPalette::Text, text);
    colors.setColor(QPalette::Inactive, QPalette::Text, text);
    setPalette(colors);
}

QString TextBox::fontName() const
{
    return font().family();
}

void TextBox::setFontName(const QString& name)
{
    QFont f = font();
    f.setFamily(name);
    setFont(f);
}

float TextBox::fontSize() const
{
    return float(font().pointSizeF());
}

void TextBox::setFontSize(float size)
{
    if (!(size > 0 && size <= MaxFontSize))
        refuse("FontSize", QString::number(size), "a size in points above 0 and at most 2160");
    QFont f = font();
    f.setPointSizeF(size);
    setFont(f);
}

void TextBox::setTextAtStart(const QString& text)
{
    setText(text);
    setCursorPosition(0);
}

void TextBox::keyPressEvent(QKeyEvent* event)
{
    const qint16 originalKeyCode = EventCodes::keyCode(event->key());
    const qint16 originalShift = EventCodes::shift(event->modifiers());
    qint16 keyCode = originalKeyCode;
    qint16 shift = originalShift;
    emit KeyDown(keyCode, shift);
    const QString characters = filterCharacters(event->text());
    const bool keyChanged = keyCode != originalKeyCode || shift != originalShift;
    if (!keyChanged && characters == event->text()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // The key's own action and its characters are two things, as key-down and character
    // messages are: a host may drop or change either one.
    bool accepted = true;
    if (keyChanged && keyCode != 0) {
        QKeyEvent changed(QEvent::KeyPress, EventCodes::qtKey(keyCode), EventCodes::modifiers(shift));
        QLineEdit::keyPressEvent(&changed);
        accepted = changed.isAccepted();
    }
    accepted = deliverCharacters(characters) && accepted;
    event->setAccepted(accepted);
}

void TextBox::inputMethodEvent(QInputMethodEvent* event)
{
    const QString committed = filterCharacters(event->commitString());
    if (committed == event->commitString()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(committed, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&filtered);
    event->setAccepted(filtered.isAccepted());
}

QString TextBox::filterCharacters(const QString& text)
{
    QString kept;
    for (const QChar c : text) {
        // The Delete key's DEL is no character: it reaches the box as the key it is.
        if (c == QChar(0x7F)) {
            kept += c;
            continue;
        }
        const qint16 original = EventCodes::characterCode(c);
        qint16 keyAscii = original;
        emit KeyPress(keyAscii);
        // Left alone, the character arrives as typed, even one the code page lacks ('?' to the host).
        if (keyAscii == original)
            kept += c;
        else if (keyAscii != 0)
            kept += EventCodes::character(keyAscii);
    }
    return kept;
}

bool TextBox::deliverCharacters(const QString& text)
{
    bool accepted = true;
    for (const QChar c : text) {
        QKeyEvent event = characterEvent(c);
        QLineEdit::keyPressEvent(&event);
        accepted = accepted && event.isAccepted();
    }
    return accepted;
}

void TextBox::mousePressEvent(QMouseEvent* event)
{
    EventCodes::MouseArguments arguments = EventCodes::mouseArguments(*event, *this);
    emit MouseDown(arguments.Button, arguments.Shift, arguments.X, arguments.Y);
    QLineEdit::mousePressEvent(event);
}
