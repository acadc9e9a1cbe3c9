#include "Shell.h"

#include "CourseError.h"
#include "ErrorReport.h"
#include "MessageWindow.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "Screen.h"
#include "ScreenFocus.h"
#include "ScreenHost.h"
#include "SoundChannels.h"
#include "Trace.h"
#include "TransitionWindow.h"

#include <QJsonObject>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

/// The window the keys go to: the overlay when one is shown, otherwise the current screen.
Screen* frontScreen(const Shell& shell)
{
    Screen* overlay = shell.overlay();
    return overlay && overlay->isVisible() ? overlay : shell.currentScreen();
}

} // namespace

Shell::Shell(ModuleState& state, Trace& trace, ScreenHost& host)
    : m_state(state)
    , m_trace(trace)
    , m_host(host)
    , m_sounds(std::make_unique<SoundChannels>(state, trace))
    , m_navigator(std::make_unique<Navigator>(*this))
    , m_programEnd([](int status) {
        // At once: no event loop is left to unwind and no player or window is taken down
        // one by one (the trace is written line by line, the databases commit as they go).
        std::fflush(nullptr);
        std::_Exit(status);
    })
{
    // The keys go back to the window in front whenever something that lay over it goes.
    new ScreenFocus(host, [this] { return frontScreen(*this); }, trace, this);
}

Shell::~Shell() = default;

TransitionWindow& Shell::transition()
{
    if (!m_transition)
        m_transition = new TransitionWindow(*this);
    return *m_transition;
}

void Shell::registerWindow(const QString& name, Factory factory)
{
    m_factories.insert(name, std::move(factory));
}

Screen* Shell::window(const QString& name)
{
    if (Screen* existing = m_windows.value(name))
        return existing;
    const auto factory = m_factories.constFind(name);
    if (factory == m_factories.cend())
        return nullptr;
    Screen* screen = (*factory)(*this);
    m_windows.insert(name, screen);
    return screen;
}

Screen* Shell::existingWindow(const QString& name) const
{
    return m_windows.value(name);
}

void Shell::unloadWindow(Screen* screen)
{
    m_windows.remove(screen->windowName());
    screen->hide();
    screen->deleteLater();
}

void Shell::showScreen(Screen* screen)
{
    if (!screen)
        return;
    guarded([&] { screen->ensureLoaded(); });
    m_host.setBackdrop(screen->backdrop());
    screen->show();
    screen->raise();
    m_current = screen;
    queueActivation(screen, Screen::Activation::Entered);
}

void Shell::reactivate()
{
    if (m_overlay && m_overlay->isVisible())
        queueActivation(m_overlay, Screen::Activation::ModalClosed);
    else if (m_current && m_current->isVisible())
        queueActivation(m_current, Screen::Activation::ModalClosed);
}

int Shell::runModal(QDialog& dialog)
{
    const int result = dialog.exec();
    reactivate();
    return result;
}

void Shell::beginSwitch(Screen& target)
{
    m_entering = &target;
}

void Shell::showOverlay(Screen* overlay)
{
    if (!overlay)
        return;
    guarded([&] { overlay->ensureLoaded(); });
    // A window that cannot work is never shown half-built: the learner is told why, and
    // the screen beneath goes on as when the window closes.
    if (const QString refusal = overlay->refuseOpening(); !refusal.isEmpty()) {
        showMessage(refusal);
        closeOverlay(overlay);
        return;
    }
    overlay->show();
    overlay->raise();
    m_overlay = overlay;
    emit overlayShown(overlay);
    queueActivation(overlay, Screen::Activation::Entered);
}

void Shell::closeOverlay(Screen* overlay)
{
    if (m_overlay == overlay)
        m_overlay = nullptr;
    unloadWindow(overlay);
    // Left for another lesson, the screen beneath is either being left or being entered
    // again; the transition's end activates the one shown.
    if (m_entering)
        return;
    if (m_current && m_current->isVisible())
        queueActivation(m_current, Screen::Activation::OverlayClosed);
}

void Shell::queueActivation(Screen* screen, Screen::Activation cause)
{
    // Activation comes from the event loop, after whatever showed the screen has finished,
    // as it did when the window system delivered it.
    QTimer::singleShot(0, screen, [this, screen, cause] {
        if (cause == Screen::Activation::Entered && m_entering == screen)
            m_entering = nullptr;
        if (!screen->isVisible())
            return;
        guarded([screen, cause] { screen->activate(cause); });
        // Whatever had the keys while a window lay over the screen, they come back to it,
        // held activation or not (unless the activation itself left the screen).
        if (screen == frontScreen(*this) && screen->isVisible())
            findChild<ScreenFocus*>(QString(), Qt::FindDirectChildrenOnly)->giveTo(*screen);
    });
}

void Shell::showMessage(const QString& text)
{
    m_state.MessageText = text;
    m_trace.event("message", { { QStringLiteral("text"), text } });
    MessageWindow message(m_state.MessageText, &m_host);
    runModal(message);
}

bool Shell::ask(const QString& question)
{
    QMessageBox box(QMessageBox::Question, ErrorReport::programTitle(), question, QMessageBox::NoButton, &m_host);
    QPushButton* yes = box.addButton(QStringLiteral("Sí"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("No"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    runModal(box);
    const bool agreed = box.clickedButton() == yes;
    m_trace.event("question", { { QStringLiteral("text"), question }, { QStringLiteral("answer"), agreed ? QStringLiteral("Sí") : QStringLiteral("No") } });
    return agreed;
}

void Shell::guarded(const std::function<void()>& action)
{
    try {
        action();
    } catch (const CourseError& error) {
        fatal(error);
    }
}

void Shell::fatal(const CourseError& error)
{
    ErrorReport::fatal(m_trace, error);
    // Nothing is kept in memory that the learner would lose: the learner database is
    // written as he goes. Leave at once, whatever event loop we are in.
    std::exit(1);
}

void Shell::endProgram()
{
    m_trace.event("quit", { { QStringLiteral("status"), 0 } });
    m_programEnd(0);
}

void Shell::setProgramEnd(std::function<void(int status)> end)
{
    m_programEnd = std::move(end);
}
