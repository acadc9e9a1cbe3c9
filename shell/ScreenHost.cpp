#include "ScreenHost.h"

#include "CenterWindow.h"
#include "ErrorReport.h"
#include "Trace.h"

#include <QJsonObject>
#include <QScreen>

ScreenHost::ScreenHost(Trace& trace, QWidget* parent)
    : QWidget(parent)
    , m_trace(trace)
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
    if (const QScreen* display = screen())
        setGeometry(display->geometry());
    showFullScreen();
    CenterWindow(*m_stage);
    const QPoint origin = m_stage->mapToGlobal(QPoint(0, 0));
    m_trace.event("stage",
        { { QStringLiteral("x"), origin.x() }, { QStringLiteral("y"), origin.y() }, { QStringLiteral("w"), m_stage->width() },
            { QStringLiteral("h"), m_stage->height() } });
}

void ScreenHost::restore()
{
    m_trace.event("instance.restore");
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowFullScreen | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}
