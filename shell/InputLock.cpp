#include "InputLock.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Enter:
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

} // namespace

InputLock::InputLock(QWidget& target)
    : QObject(&target)
    , m_target(target)
{
}

InputLock::~InputLock()
{
    setLocked(false);
}

void InputLock::setLocked(bool locked)
{
    if (locked == m_locked)
        return;
    m_locked = locked;
    // Seen at the application, before any widget of the target gets the event.
    if (locked)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool InputLock::eventFilter(QObject* watched, QEvent* event)
{
    if (m_locked && watched->isWidgetType() && isInput(event->type())) {
        const auto* widget = static_cast<QWidget*>(watched);
        if (widget == &m_target || m_target.isAncestorOf(widget))
            return true;
    }
    return QObject::eventFilter(watched, event);
}
