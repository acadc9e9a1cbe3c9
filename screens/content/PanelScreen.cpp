#include "PanelScreen.h"

#include "ControlPanel.h"
#include "CourseError.h"
#include "HelpOverlay.h"
#include "MediaProblem.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "Recordset.h"
#include "Shell.h"
#include "SoundChannels.h"

#include <QLabel>
#include <QTimer>

namespace {

constexpr int clickUpkeepMs = 500;

} // namespace

PanelScreen::PanelScreen(Shell& shell, const QString& windowName, qint16 number)
    : FramedScreen(shell, windowName, number)
    , VidControl(new ControlPanel(*this))
{
    // These screens only rewind the click sound, twice a second; their own player
    // carries the lesson's sound.
    disconnect(Timer1, &QTimer::timeout, this, &FramedScreen::SoundTimer);
    connect(Timer1, &QTimer::timeout, this, &PanelScreen::ClickUpkeep);
}

bool PanelScreen::loadObject(int kind, const Recordset& row)
{
    if (kind != PanelKind)
        return false;
    VidControl->place(loadPicture(row.text(QStringLiteral("bitmapreposo"))), int(row.number(QStringLiteral("X"))),
        int(row.number(QStringLiteral("Y"))));
    return true;
}

void PanelScreen::loadFinished()
{
    Timer1->start(clickUpkeepMs);
    // The minimise button's picture at rest is also the icon of the minimised panel.
    auto minimiser = shell().state().ContentDb->openRecordset(
        QStringLiteral("select * from pantalla where codigo = %1 and objeto = 5 and accion = %2").arg(number()).arg(MinimisePanel));
    if (!minimiser->isEof() && !minimiser->text(QStringLiteral("bitmapreposo")).trimmed().isEmpty())
        VidControl->dressMinimiser(loadPicture(minimiser->text(QStringLiteral("bitmapreposo"))), handCursor());
    VidControl->adoptButtons();
    if (!Labels.empty())
        Labels.front()->setAlignment(Qt::AlignCenter);
}

bool PanelScreen::buttonMayLight(int index) const
{
    return VidControl->buttonUsable(index);
}

void PanelScreen::screenLeft()
{
    if (isLoaded())
        stopMedia();
    FramedScreen::screenLeft();
}

void PanelScreen::ClickUpkeep()
{
    try {
        MediaPlayer& click = shell().sounds().channel(SoundChannels::Channel::Click);
        if (click.completed(0)) {
            click.pause();
            click.setPosition(0);
        }
    } catch (const CourseError&) {
        // The click sound is decoration: a failing channel stays silent.
    }
}

void PanelScreen::ButtonClick(int index)
{
    shell().sounds().startClickSound();
    const int accion = buttons().at(size_t(index)).accion;
    switch (accion) {
    case Leave:
        stopMedia();
        shell().navigator().RunNavAction(Navigator::Anterior, shell().state().CurrentScreen);
        break;
    case Help:
        stopMedia();
        HelpOverlay::open(shell(), *this);
        break;
    case MinimisePanel:
        VidControl->minimise();
        break;
    default:
        screenAction(accion, index);
        break;
    }
}

std::unique_ptr<Recordset> PanelScreen::currentLessonRow() const
{
    const ModuleState& state = shell().state();
    auto lessons = state.ContentDb->openRecordset(QStringLiteral("lecciones"));
    if (!lessons->findFirst(QStringLiteral("N_leccion = %1").arg(state.CurrentLesson)))
        throw CourseError(QStringLiteral("%1: lesson %2 is not in lecciones").arg(state.ContentDb->fileName()).arg(state.CurrentLesson));
    return lessons;
}

void PanelScreen::showTitle(const QString& title)
{
    if (!Labels.empty())
        Labels.front()->setText(title);
}

void PanelScreen::reportProblem(const CourseError& error)
{
    reportMediaProblem(shell(), this, error);
}
