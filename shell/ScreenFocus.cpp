#include "ScreenFocus.h"

#include "Screen.h"
#include "Trace.h"

#include <QApplication>
#include <QEvent>
#include <QJsonObject>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <utility>

namespace {

/// A window of the program's own that may have taken the keys while it was open.
bool takesKeys(const QWidget& window)
{
    switch (window.windowType()) {
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Sheet:
    case Qt::Popup:
    case Qt::Tool:
        return true;
    default:
        return false; // tool tips, splash screens, the desktop
    }
}

QString describe(const QWidget* widget)
{
    if (!widget)
        return {};
    const QString name = widget->objectName();
    return name.isEmpty() ? QString::fromLatin1(widget->metaObject()->className()) : name;
}

} // namespace

ScreenFocus::ScreenFocus(QWidget& host, std::function<Screen*()> front, Trace& trace, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_front(std::move(front))
    , m_trace(trace)
{
    // Seen at the application: a dialog or menu closing anywhere hides its window.
    qApp->installEventFilter(this);
}

ScreenFocus::~ScreenFocus()
{
    qApp->removeEventFilter(this);
}

void ScreenFocus::giveTo(Screen& screen)
{
    // The host's own focus widget, which keys sent to the host reach even while no window
    // of the program is active.
    const QWidget* had = m_host.focusWidget();
    const bool onScreen = had && had->isVisible() && (had == &screen || screen.isAncestorOf(had));
    if (onScreen)
        return;
    screen.setFocus(Qt::OtherFocusReason);
    m_trace.event("screen.focus", { { QStringLiteral("window"), screen.windowName() }, { QStringLiteral("from"), describe(had) } });
}

bool ScreenFocus::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched->isWidgetType())
        return QObject::eventFilter(watched, event);
    const auto* widget = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::Hide && widget != &m_host && widget->isWindow() && takesKeys(*widget) && !std::exchange(m_queued, true)) {
        // Once the window is gone and its event loop, if it ran one, has returned.
        QTimer::singleShot(0, this, &ScreenFocus::returnKeys);
    } else if (event->type() == QEvent::MouseButtonPress && widget->window() == &m_host) {
        // A click on the stage gives the keys back to the window in front, unless what was
        // clicked took them itself (a field, a list): the press has given focus by now.
        Screen* front = m_front();
        if (front && front->isVisible() && (widget == front || front->isAncestorOf(widget)))
            giveTo(*front);
    }
    return QObject::eventFilter(watched, event);
}

void ScreenFocus::returnKeys()
{
    m_queued = false;
    // Another window of the program is still over the screen: it has the keys.
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return;
    Screen* front = m_front();
    if (!front || !front->isVisible())
        return;
    giveTo(*front);
    // Without a window manager nobody activates the host when the window over it goes;
    // a window of the program still open (the video on the whole screen) stays in front.
    if (QApplication::activeWindow() || !m_host.isVisible())
        return;
    const QWidgetList windows = QApplication::topLevelWidgets();
    const bool otherOpen = std::any_of(windows.cbegin(), windows.cend(), [this](const QWidget* w) {
        return w != &m_host && w->isVisible() && takesKeys(*w);
    });
    if (!otherOpen)
        m_host.activateWindow();
}
