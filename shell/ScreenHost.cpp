#include "ScreenHost.h"

#include "CenterWindow.h"
#include "ErrorReport.h"
#include "Trace.h"

#include <QJsonObject>
#include <QScreen>

ScreenHost::ScreenHost(Trace& trace, Presentation presentation, QWidget* parent)
    : QWidget(parent)
    , m_trace(trace)
    , m_presentation(presentation)
    , m_stage(new QWidget(this))
{
    setWindowTitle(ErrorReport::programTitle());
    setAutoFillBackground(true);
    m_stage->setObjectName(QStringLiteral("stage"));
    m_stage->setFixedSize(StageWidth, StageHeight);
    setBackdrop(Qt::black);
}

void ScreenHost::setBackdrop(const QColor& colour)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
}

void ScreenHost::showOnDisplay()
{
    const QScreen* display = screen();
    if (m_presentation == Presentation::Window) {
        setFixedSize(StageWidth, StageHeight);
        if (display)
            move(display->availableGeometry().center() - rect().center());
        show();
    } else {
        if (display)
            setGeometry(display->geometry());
        showFullScreen();
    }
    CenterWindow(*m_stage);
    // Tools that drive the player click on the display: the trace gives its pixels. Qt
    // scales a screen's geometry about the screen's own top-left corner.
    const double factor = devicePixelRatioF();
    const QPoint origin = m_stage->mapToGlobal(QPoint(0, 0));
    const QPoint screenOrigin = display ? display->geometry().topLeft() : QPoint();
    const auto onDisplay = [&](double value) { return qRound(value * factor); };
    m_trace.event("stage",
        { { QStringLiteral("x"), screenOrigin.x() + onDisplay(origin.x() - screenOrigin.x()) },
            { QStringLiteral("y"), screenOrigin.y() + onDisplay(origin.y() - screenOrigin.y()) },
            { QStringLiteral("w"), onDisplay(m_stage->width()) }, { QStringLiteral("h"), onDisplay(m_stage->height()) },
            { QStringLiteral("factor"), factor } });
}

void ScreenHost::restore()
{
    m_trace.event("instance.restore");
    Qt::WindowStates state = (windowState() & ~Qt::WindowMinimized) | Qt::WindowActive;
    if (m_presentation == Presentation::FullScreen)
        state |= Qt::WindowFullScreen;
    setWindowState(state);
    show();
    raise();
    activateWindow();
}
