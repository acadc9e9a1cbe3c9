#include "etidesp2.h"

#include "BoxBorder.h"
#include "ColorValue.h"
#include "EventCodes.h"
#include "TextBox.h"
#include "Twips.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>

#include <stdexcept>

namespace {

// What DllCanUnloadNow asks: the library may go only when no instance is left.
int liveInstances = 0;

// The stored entry name of bag as type, or defaultValue when missing. A missing entry
// without a default is the type's empty value (False, 0, the empty text).
QVariant storedEntry(const PropertyBag& bag, const char* name, const QVariant& defaultValue, QMetaType type)
{
    QVariant value = bag.readProperty(QLatin1String(name), defaultValue);
    if (!value.isValid())
        return QVariant(type);
    const QVariant stored = value;
    if (!value.convert(type))
        throw std::invalid_argument(QStringLiteral("The stored entry \"%1\" holds %2, which is no %3")
                                        .arg(QLatin1String(name), stored.toString(), QLatin1String(type.name()))
                                        .toStdString());
    return value;
}

template<typename T>
T storedValue(const PropertyBag& bag, const char* name, const QVariant& defaultValue)
{
    return storedEntry(bag, name, defaultValue, QMetaType::fromType<T>()).template value<T>();
}

}

etidesp2::etidesp2(QWidget* parent)
    : QWidget(parent)
    , m_text1(new TextBox(this))
    , m_border(new BoxBorder(*m_text1, this))
{
    ++liveInstances;
    // The bare surface shows in its own colour, not the container's.
    setAutoFillBackground(true);
    setFocusProxy(m_text1);
    m_text1->moveTwips(0, 0);
    connect(m_text1, &TextBox::KeyDown, this, &etidesp2::KeyDown);
    connect(m_text1, &TextBox::KeyPress, this, &etidesp2::KeyPress);
    connect(m_text1, &QLineEdit::textChanged, this, &etidesp2::Change);
    connect(m_text1, &TextBox::MouseDown, this, &etidesp2::MouseDown);
    followSize();
}

etidesp2::~etidesp2()
{
    --liveInstances;
}

int etidesp2::instanceCount()
{
    return liveInstances;
}

float etidesp2::widthTwips() const
{
    return float(width()) * Twips::perPixelX(*this);
}

float etidesp2::heightTwips() const
{
    return float(height()) * Twips::perPixelY(*this);
}

void etidesp2::derecha()
{
    followSize();
    const float boxWidth = m_text1->widthTwips();
    const float surfaceWidth = widthTwips();
    const float left = m_text1->leftTwips();
    // Strict, in single precision: when the right edges coincide nothing moves.
    if (surfaceWidth - boxWidth < left)
        m_text1->setLeftTwips(left - ScrollStep);
}

void etidesp2::izquierda()
{
    followSize();
    const float left = m_text1->leftTwips();
    if (left < 0)
        m_text1->setLeftTwips(left + ScrollStep);
}

void etidesp2::reinicia()
{
    m_text1->moveTwips(0, 0);
}

void etidesp2::MeterTexto(const QString& te)
{
    followSize();
    // Measured with the surface's font, which the control never changes; the font
    // properties act on the inner box only.
    const float measured = float(QFontMetrics(font(), this).horizontalAdvance(te)) * Twips::perPixelX(*this);
    if (measured > widthTwips())
        m_text1->setWidthTwips(measured);
    pourText(te);
}

void etidesp2::pourText(const QString& te)
{
    // The inner box reports only real changes; a host that follows every write (the
    // glossary moves its list on each one) must hear a write of the same text too.
    const bool same = m_text1->text() == te;
    m_text1->setTextAtStart(te);
    if (same)
        emit Change();
}

void etidesp2::ReadProperties(const PropertyBag* PropBag)
{
    if (!PropBag)
        throw std::invalid_argument("ReadProperties needs a property bag");
    const PropertyBag& bag = *PropBag;
    m_text1->setBackColor(storedValue<quint32>(bag, "BackColor", ColorValue::WindowBackground));
    setInnerFont(storedValue<QFont>(bag, "Font", ambientFont()));
    // Name and size come after the font object, so they override what it carries.
    m_text1->setFontName(storedValue<QString>(bag, "FontName", QStringLiteral("Arial")));
    m_text1->setFontSize(storedValue<float>(bag, "FontSize", 10.0f));
    m_text1->setForeColor(storedValue<quint32>(bag, "ForeColor", ColorValue::WindowText));
    m_text1->setEnabled(storedValue<bool>(bag, "Enabled", QVariant()));
    m_text1->setTextAtStart(storedValue<QString>(bag, "Text", QString()));
    m_text1->setReadOnly(storedValue<bool>(bag, "Locked", false));
}

void etidesp2::WriteProperties(PropertyBag* PropBag) const
{
    if (!PropBag)
        throw std::invalid_argument("WriteProperties needs a property bag");
    PropertyBag& bag = *PropBag;
    bag.writeProperty(QStringLiteral("BackColor"), BackColor(), ColorValue::WindowBackground);
    bag.writeProperty(QStringLiteral("Font"), Font(), ambientFont());
    bag.writeProperty(QStringLiteral("FontName"), FontName(), QString());
    bag.writeProperty(QStringLiteral("FontSize"), FontSize(), 0.0f);
    bag.writeProperty(QStringLiteral("ForeColor"), ForeColor(), ColorValue::WindowText);
    // No default: True is stored, False is not.
    bag.writeProperty(QStringLiteral("Enabled"), Enabled(), QVariant());
    bag.writeProperty(QStringLiteral("Text"), Text(), QString());
    bag.writeProperty(QStringLiteral("Locked"), Locked(), false);
}

QFont etidesp2::ambientFont() const
{
    return parentWidget() ? parentWidget()->font() : QGuiApplication::font();
}

template<typename Apply>
void etidesp2::applyProperty(const char* name, Apply apply)
{
    try {
        apply();
    } catch (const std::invalid_argument& e) {
        qWarning("etidesp2: %s", e.what());
        emit propertyRefused(QLatin1String(name), QString::fromUtf8(e.what()));
        return;
    }
    emit propertyChanged(QLatin1String(name));
}

quint32 etidesp2::BackColor() const
{
    return m_text1->backColor();
}

void etidesp2::setBackColor(quint32 New_BackColor)
{
    applyProperty("BackColor", [&] { m_text1->setBackColor(New_BackColor); });
}

QFont etidesp2::Font() const
{
    return m_text1->font();
}

void etidesp2::setInnerFont(const QFont& New_Font)
{
    applyProperty("Font", [&] { m_text1->setFont(New_Font); });
}

QString etidesp2::FontName() const
{
    return m_text1->fontName();
}

void etidesp2::setFontName(const QString& New_FontName)
{
    applyProperty("FontName", [&] { m_text1->setFontName(New_FontName); });
}

float etidesp2::FontSize() const
{
    return m_text1->fontSize();
}

void etidesp2::setFontSize(float New_FontSize)
{
    applyProperty("FontSize", [&] { m_text1->setFontSize(New_FontSize); });
}

quint32 etidesp2::ForeColor() const
{
    return m_text1->foreColor();
}

void etidesp2::setForeColor(quint32 New_ForeColor)
{
    applyProperty("ForeColor", [&] { m_text1->setForeColor(New_ForeColor); });
}

bool etidesp2::MultiLine() const
{
    return TextBox::MultiLine;
}

bool etidesp2::Enabled() const
{
    return m_text1->isEnabled();
}

void etidesp2::setInnerEnabled(bool New_Enabled)
{
    applyProperty("Enabled", [&] { m_text1->setEnabled(New_Enabled); });
}

QString etidesp2::Text() const
{
    return m_text1->text();
}

void etidesp2::setText(const QString& New_Text)
{
    applyProperty("Text", [&] { pourText(New_Text); });
}

bool etidesp2::Locked() const
{
    return m_text1->isReadOnly();
}

void etidesp2::setLocked(bool New_Locked)
{
    applyProperty("Locked", [&] { m_text1->setReadOnly(New_Locked); });
}

qint16 etidesp2::ScrollBars() const
{
    return TextBox::ScrollBars;
}

void etidesp2::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    followSize();
}

void etidesp2::followSize()
{
    // A size set while the control is hidden reaches resizeEvent only when it is shown;
    // the methods call this first so that they always work on the current size, and the
    // late event then finds nothing to do (the widening of MeterTexto survives it).
    if (size() == m_fittedSize)
        return;
    m_fittedSize = size();
    m_text1->resizeTwips(widthTwips(), heightTwips());
    m_border->setGeometry(rect());
    m_border->raise();
}

void etidesp2::mousePressEvent(QMouseEvent* event)
{
    // The bare surface is the control's own: a press there must not reach the host's
    // window beneath (the glossary would start dragging itself).
    event->accept();
}

void etidesp2::mouseReleaseEvent(QMouseEvent* event)
{
    // A release over the inner box is the box's own business, even when it reaches the
    // surface (a press that began on bare surface, or a disabled box).
    if (m_text1->geometry().contains(event->position().toPoint()))
        return;
    EventCodes::MouseArguments arguments = EventCodes::mouseArguments(*event, *this);
    emit MouseUp(arguments.Button, arguments.Shift, arguments.X, arguments.Y);
}
