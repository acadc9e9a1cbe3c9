#include "Screen.h"

#include "ModuleState.h"
#include "ScreenHost.h"
#include "Shell.h"
#include "Trace.h"

#include <QJsonObject>

Screen::Screen(Shell& shell, const QString& windowName, qint16 number)
    : QWidget(shell.host().stage())
    , m_shell(shell)
    , m_windowName(windowName)
    , m_number(number)
{
    setObjectName(windowName);
    setFixedSize(ScreenHost::StageWidth, ScreenHost::StageHeight);
    hide();
}

void Screen::ensureLoaded()
{
    if (m_loaded)
        return;
    m_loaded = true;
    m_shell.trace().event("screen.load", { { QStringLiteral("window"), m_windowName } });
    ScreenLoad();
}

void Screen::activate()
{
    ensureLoaded();
    const ModuleState& state = m_shell.state();
    m_shell.trace().event("screen.activate",
        { { QStringLiteral("window"), m_windowName }, { QStringLiteral("screen"), m_number },
            { QStringLiteral("lesson"), state.CurrentLesson } });
    ScreenActivate();
}

QPixmap Screen::transitionPicture()
{
    ensureLoaded();
    return grab();
}
