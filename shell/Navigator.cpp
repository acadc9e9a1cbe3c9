#include "Navigator.h"

#include "CourseError.h"
#include "FramedScreen.h"
#include "ModuleState.h"
#include "OwnLessons.h"
#include "Recordset.h"
#include "Screen.h"
#include "Shell.h"
#include "SoundChannels.h"
#include "Trace.h"
#include "TransitionWindow.h"

#include <QJsonObject>
#include <QListWidget>

namespace {

const char* const contentScreens[] = { "frmms", "frmsa", "frmct", "frmbf", "frmcft", "frmft", "frmva", "frmtest" };

} // namespace

Navigator::Navigator(Shell& shell)
    : m_shell(shell)
{
}

QString Navigator::ScreenWindow(int number)
{
    switch (number) {
    case 1: return QStringLiteral("frmms");
    case 3: return QStringLiteral("frmsa");
    case 4: return QStringLiteral("frmct");
    case 5: return QStringLiteral("frmbf");
    case 6: return QStringLiteral("frmcft");
    case 7: return QStringLiteral("frmft");
    case 10: return QStringLiteral("frmexp");
    case 12: return QStringLiteral("frmva");
    case 14: return QStringLiteral("frmtest");
    default: return {};
    }
}

Screen* Navigator::windowOf(int number) const
{
    const QString name = ScreenWindow(number);
    return name.isEmpty() ? nullptr : m_shell.window(name);
}

qint16 Navigator::lessonTipo(qint16 lesson) const
{
    // The learner's own videos are conversation lessons that no course table lists.
    if (OwnLessons::isOwnLesson(lesson))
        return ConversationKind;
    auto lessons = m_shell.state().ContentDb->openRecordset(QStringLiteral("lecciones"));
    if (!lessons->findFirst(QStringLiteral("N_leccion = %1").arg(lesson)))
        throw CourseError(QStringLiteral("%1: lesson %2 is not in lecciones").arg(m_shell.state().ContentDb->fileName()).arg(lesson));
    return qint16(lessons->number(QStringLiteral("tipo")));
}

bool Navigator::SwitchScreen(Screen* from, const QString& toWindow)
{
    return SwitchScreen(from, toWindow.isEmpty() ? nullptr : m_shell.window(toWindow));
}

bool Navigator::SwitchScreen(Screen* from, Screen* to)
{
    ModuleState& state = m_shell.state();
    if (!to) {
        // A lesson kind without a window: stay on the screen being shown rather than
        // leave the learner with nothing in front of him.
        traceNoWindow(from, state.CurrentTipo);
        return false;
    }
    m_shell.trace().event("switch",
        { { QStringLiteral("from"), from ? from->windowName() : QString() }, { QStringLiteral("to"), to->windowName() },
            { QStringLiteral("lesson"), state.CurrentLesson } });
    // A screen that cannot be built ends the course; only the effect itself may fail quietly.
    to->ensureLoaded();
    m_shell.sounds().startChangeSound();
    m_shell.beginSwitch(*to);
    state.FromScreenName = from ? from->windowName() : QString();
    state.ToScreenName = to->windowName();
    try {
        m_shell.transition().run(*to);
    } catch (const CourseError& error) {
        // The transition is decoration; a failure in it must not keep the learner out.
        m_shell.trace().event("transition",
            { { QStringLiteral("op"), QStringLiteral("failed") }, { QStringLiteral("to"), to->windowName() },
                { QStringLiteral("message"), error.message() } });
        m_shell.transition().finishAt(*to);
    }
    if (from && from != to)
        from->hide();
    // Leaving from a window that lies over the current screen leaves that screen too:
    // its sounds and clocks stop as for any screen left.
    if (from && from->isOverlay()) {
        if (Screen* beneath = m_shell.currentScreen(); beneath && beneath != to)
            beneath->hide();
    }
    return true;
}

void Navigator::traceNoWindow(Screen* from, int screen) const
{
    m_shell.trace().event("switch",
        { { QStringLiteral("from"), from ? from->windowName() : QString() }, { QStringLiteral("to"), QString() },
            { QStringLiteral("lesson"), m_shell.state().CurrentLesson },
            { QStringLiteral("reason"), QStringLiteral("no window serves screen %1").arg(screen) } });
}

bool Navigator::OpenLesson(qint16 lesson, Screen* from)
{
    ModuleState& state = m_shell.state();
    const qint16 tipo = lessonTipo(lesson);
    m_shell.trace().event("lesson.open", { { QStringLiteral("lesson"), lesson }, { QStringLiteral("tipo"), tipo } });
    // The lesson becomes current only when a window can show it: a lesson the player
    // cannot show leaves everything as it was, so that the screen in front goes on
    // with its own lesson.
    Screen* target = windowOf(tipo);
    if (!target) {
        traceNoWindow(from, tipo);
        return false;
    }
    state.CurrentLesson = lesson;
    state.CurrentTipo = tipo;
    state.HistoryMoving = false;
    return SwitchScreen(from, target);
}

bool Navigator::OpenParentLesson(Screen* from)
{
    ModuleState& state = m_shell.state();
    const qint16 lesson = state.CurrentLesson;
    const qint16 tipo = state.CurrentTipo;
    const bool moving = state.HistoryMoving;
    SelectParentLesson();
    if (SwitchScreen(from, windowOf(state.CurrentTipo)))
        return true;
    state.CurrentLesson = lesson;
    state.CurrentTipo = tipo;
    state.HistoryMoving = moving;
    return false;
}

void Navigator::PushHistory(qint16 lesson, qint16 screen)
{
    ModuleState& state = m_shell.state();
    const HistoryEntry entry { lesson, screen };
    if (state.History.empty() || state.History.back() != entry) {
        state.History.push_back(entry);
        state.HistoryTop = qint16(state.History.size() - 1);
    }
    if (!state.HistoryMoving) {
        state.HistoryCursor = state.HistoryTop;
        state.HistoryFurthest = state.HistoryTop;
    }
    m_shell.trace().event("history",
        { { QStringLiteral("top"), state.HistoryTop }, { QStringLiteral("cursor"), state.HistoryCursor },
            { QStringLiteral("furthest"), state.HistoryFurthest }, { QStringLiteral("moving"), state.HistoryMoving } });
}

void Navigator::moveThroughHistory(int currentScreen)
{
    ModuleState& state = m_shell.state();
    const HistoryEntry& entry = state.History[size_t(state.HistoryCursor)];
    state.HistoryMoving = true;
    state.CurrentLesson = entry.lesson;
    // Home resets the carousel as back and forward do: the next transition into the
    // carousel runs to its picture, which must be its own background and not the last
    // picture of the sound track the learner left.
    ResetCarouselPicture(state.CurrentScreen);
    SwitchScreen(windowOf(currentScreen), windowOf(entry.screen));
}

void Navigator::GoBack(int currentScreen)
{
    ModuleState& state = m_shell.state();
    if (state.HistoryCursor <= 0)
        return;
    --state.HistoryCursor;
    moveThroughHistory(currentScreen);
}

void Navigator::GoForward(int currentScreen)
{
    ModuleState& state = m_shell.state();
    if (state.HistoryCursor >= state.HistoryTop || state.HistoryCursor >= state.HistoryFurthest)
        return;
    ++state.HistoryCursor;
    moveThroughHistory(currentScreen);
}

void Navigator::GoHome(int currentScreen)
{
    m_shell.state().HistoryCursor = 0;
    moveThroughHistory(currentScreen);
}

void Navigator::RunNavAction(int action, int currentScreen)
{
    m_shell.trace().event("nav", { { QStringLiteral("action"), action } });
    switch (action) {
    case Anterior: GoBack(currentScreen); break;
    case Siguiente: GoForward(currentScreen); break;
    case Principal: GoHome(currentScreen); break;
    case Buscar: OpenGlossary(); break;
    case Explorar: OpenExplorer(); break;
    case Glosario: break; // offered, and does nothing
    default: break;
    }
}

void Navigator::FillNavList(QListWidget& list)
{
    const ModuleState& state = m_shell.state();
    list.clear();
    const auto add = [&list](const QString& text, NavAction action) {
        auto* item = new QListWidgetItem(text, &list);
        item->setData(Qt::UserRole, int(action));
    };
    if (state.HistoryCursor > 0)
        add(QStringLiteral("Anterior"), Anterior);
    if (state.HistoryCursor < state.HistoryTop && state.HistoryCursor < state.HistoryFurthest)
        add(QStringLiteral("Siguiente"), Siguiente);
    add(QStringLiteral("Buscar"), Buscar);
    add(QStringLiteral("Explorar"), Explorar);
    add(QStringLiteral("Glosario"), Glosario);
    if (state.CurrentLesson != 1)
        add(QStringLiteral("Principal"), Principal);
    const int itemHeight = list.count() ? list.sizeHintForRow(0) : list.fontMetrics().height();
    m_shell.state().NavListHeight = itemHeight * list.count() + 3;
    QPalette p = list.palette();
    p.setColor(QPalette::Base, Qt::white);
    list.setPalette(p);
}

void Navigator::OpenGlossary()
{
    m_shell.state().HistoryMoving = false;
    openOverlay(QStringLiteral("frmind"));
}

void Navigator::OpenExplorer()
{
    openOverlay(QStringLiteral("frmexp"));
}

void Navigator::openOverlay(const QString& name)
{
    Screen* overlay = m_shell.window(name);
    if (!overlay) {
        m_shell.trace().event("overlay", { { QStringLiteral("window"), name }, { QStringLiteral("op"), QStringLiteral("missing") } });
        return;
    }
    // One overlay at a time: a second opening of the same one only brings it forward.
    if (overlay == m_shell.overlay() && overlay->isVisible()) {
        overlay->raise();
        return;
    }
    m_shell.showOverlay(overlay);
}

void Navigator::SelectParentLesson()
{
    ModuleState& state = m_shell.state();
    auto lessons = state.ContentDb->openRecordset(QStringLiteral("lecciones"));
    if (lessons->findFirst(QStringLiteral("N_leccion = %1").arg(state.CurrentLesson))) {
        const auto parent = qint16(lessons->number(QStringLiteral("N_leccion_viene")));
        if (parent != 0) {
            state.CurrentLesson = parent;
            state.CurrentTipo = lessonTipo(parent);
        }
    }
    state.HistoryMoving = false;
}

void Navigator::SetScreenEnabled(int number, bool enabled)
{
    for (const char* name : contentScreens) {
        if (ScreenWindow(number) == QLatin1String(name)) {
            if (Screen* screen = m_shell.existingWindow(QLatin1String(name)))
                screen->setInputEnabled(enabled);
            return;
        }
    }
}

void Navigator::ResetCarouselPicture(int number)
{
    // A carousel whose background row names no picture has nothing to restore.
    if (number != 4 || m_shell.state().CarouselBackground.trimmed().isEmpty())
        return;
    if (auto* carousel = qobject_cast<FramedScreen*>(m_shell.existingWindow(QStringLiteral("frmct"))))
        carousel->showBackground(m_shell.state().CarouselBackground);
}
