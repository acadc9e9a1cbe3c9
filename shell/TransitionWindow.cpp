#include "TransitionWindow.h"

#include "ModuleState.h"
#include "PictureEffect.h"
#include "Screen.h"
#include "ScreenHost.h"
#include "Shell.h"
#include "Trace.h"

#include <QJsonObject>

namespace {

// The windows a transition may end on; the introduction and the help overlay show themselves.
const char* const targets[] = { "frmc", "frmms", "frmsa", "frmct", "frmft", "frmbf", "frmcft", "frmind", "frmexp", "frmva", "frmtest" };

} // namespace

TransitionWindow::TransitionWindow(Shell& shell)
    : QWidget(shell.host().stage())
    , transicion(new PictureEffect(this))
    , m_shell(shell)
{
    setObjectName(QStringLiteral("frmt"));
    TransitionLoad();
    connect(transicion, &PictureEffect::notify, this, [this] { m_shell.guarded([this] { TransitionDone(); }); });
}

void TransitionWindow::TransitionLoad()
{
    // The stage is already centred on the display; the effect covers all of it.
    setGeometry(0, 0, ScreenHost::StageWidth, ScreenHost::StageHeight);
    transicion->setObjectName(QStringLiteral("transicion"));
    transicion->setGeometry(rect());
    hide();
}

void TransitionWindow::run(Screen& target)
{
    m_shell.host().setBackdrop(target.backdrop());
    // The settings are made again before every transition, in this order.
    transicion->applyCourseSetting(52, 28);
    transicion->applyCourseSetting(62, false);
    transicion->applyCourseSetting(6, 0);
    transicion->applyCourseSetting(7, 9);
    transicion->applyCourseSetting(77, 28);
    transicion->applyCourseSetting(78, true);
    transicion->applyCourseSetting(9, 9);
    transicion->applyCourseSetting(8, 0);
    transicion->setPicture(target.transitionPicture());
    transicion->applyCourseSetting(150, true);
    show();
    raise();
    m_shell.trace().event("transition", { { QStringLiteral("op"), QStringLiteral("start") }, { QStringLiteral("to"), target.windowName() } });
}

void TransitionWindow::finishAt(Screen& target)
{
    m_shell.state().ToScreenName = target.windowName();
    TransitionDone();
}

void TransitionWindow::TransitionDone()
{
    const QString name = m_shell.state().ToScreenName;
    m_shell.trace().event("transition", { { QStringLiteral("op"), QStringLiteral("done") }, { QStringLiteral("to"), name } });
    for (const char* target : targets) {
        if (name == QLatin1String(target)) {
            m_shell.showScreen(m_shell.window(name));
            break;
        }
    }
    hide();
}
