#include "Screen.h"

#include "CourseError.h"
#include "FrameButton.h"
#include "IconFile.h"
#include "InputLock.h"
#include "ModuleState.h"
#include "PictureFile.h"
#include "Recordset.h"
#include "ScreenHost.h"
#include "Shell.h"
#include "Trace.h"

#include <QHideEvent>
#include <QJsonObject>
#include <QShowEvent>

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

void Screen::activate(Activation cause)
{
    ensureLoaded();
    const ModuleState& state = m_shell.state();
    QJsonObject event { { QStringLiteral("window"), m_windowName }, { QStringLiteral("screen"), m_number },
        { QStringLiteral("lesson"), state.CurrentLesson } };
    if (cause != Activation::Entered)
        event.insert(QStringLiteral("after"), cause == Activation::ModalClosed ? QStringLiteral("modal") : QStringLiteral("overlay"));
    // A modal window changes nothing of the screen it lay over (a copy, a print, a
    // message): the screen goes on as it was, whatever its own holds say.
    const bool held = cause == Activation::ModalClosed || activationHeld(cause);
    if (held)
        event.insert(QStringLiteral("held"), true);
    m_shell.trace().event("screen.activate", event);
    if (!held)
        ScreenActivate();
    else
        heldActivation();
    if (isVisible())
        pointerSettled();
}

void Screen::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        screenShown();
}

void Screen::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // A screen hidden with the whole window (minimised, or on another desktop) is still
    // the one the learner is on: only its own hiding leaves it.
    if (isHidden())
        screenLeft();
}

void Screen::setInputEnabled(bool enabled)
{
    if (!m_inputLock)
        m_inputLock = new InputLock(*this);
    m_inputLock->setLocked(!enabled);
    m_shell.trace().event("screen.input", { { QStringLiteral("window"), m_windowName }, { QStringLiteral("enabled"), enabled } });
}

bool Screen::isInputEnabled() const
{
    return !m_inputLock || !m_inputLock->isLocked();
}

QPixmap Screen::loadPicture(const QString& name) const
{
    const QString file = m_shell.state().Folder.require(name);
    QString why;
    const QPixmap picture = QPixmap::fromImage(PictureFile::read(file, &why));
    if (picture.isNull())
        throw CourseError(QStringLiteral("picture %1 cannot be read (%2: %3)").arg(name.trimmed(), file, why));
    return picture;
}

QCursor Screen::handCursor() const
{
    if (!m_handLoaded) {
        m_handLoaded = true;
        const QPixmap hand = loadPicture(QStringLiteral("mano.ico"));
        // A cursor file says where it points (the finger's tip); an icon points at its centre.
        const IconFile file = IconFile::read(m_shell.state().Folder.require(QStringLiteral("mano.ico")));
        const QPoint hotSpot = file.isNull() ? QPoint(hand.width() / 2, hand.height() / 2) : file.hotSpot();
        m_hand = QCursor(hand, hotSpot.x(), hotSpot.y());
    }
    return m_hand;
}

FrameButton* Screen::overlayButton(int index, const Recordset& row)
{
    auto* button = new FrameButton(index, this);
    button->setObjectName(QStringLiteral("Imagex%1").arg(index));
    button->setCursor(handCursor());
    QString picture = row.text(QStringLiteral("bitmapactivable"));
    if (picture.trimmed().isEmpty())
        picture = row.text(QStringLiteral("bitmapreposo"));
    button->setPixmap(loadPicture(picture));
    button->setGeometry(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))), button->pixmap().width(),
        button->pixmap().height());
    button->hide();
    return button;
}

QPixmap Screen::transitionPicture()
{
    ensureLoaded();
    return grab();
}
