#pragma once

#include <QColor>
#include <QCursor>
#include <QPixmap>
#include <QString>
#include <QWidget>

class FrameButton;
class InputLock;
class Recordset;
class Shell;

/// A screen of the course: a window built from its `pantalla` rows the first time it is
/// needed, afterwards only hidden and shown. It lies on the stage; the shell's host
/// delivers its activation each time it comes to the front.
class Screen : public QWidget {
    Q_OBJECT

public:
    /// Why a screen is activated.
    enum class Activation {
        Entered,       ///< it has been shown: a transition ended on it, or it was opened over the stage
        OverlayClosed, ///< the explorer or the glossary that lay over it has closed
        ModalClosed,   ///< a modal window over it (a message, a dialog) has closed
    };

    Screen(Shell& shell, const QString& windowName, qint16 number);

    /// The window's name ("frmms", "frmct", ...), by which the transition shows it.
    QString windowName() const { return m_windowName; }
    /// The screen number (`pantalla.codigo`).
    qint16 number() const { return m_number; }

    bool isLoaded() const { return m_loaded; }
    /// Builds the screen from its rows unless that has been done.
    void ensureLoaded();

    /// Runs the screen's activation for CAUSE; the host calls it, never the screen itself.
    /// Coming back from a modal window always does nothing (heldActivation only).
    void activate(Activation cause = Activation::Entered);

    /// The picture a transition to this screen runs to: its background.
    virtual QPixmap transitionPicture();
    /// The colour of the window around the drawing area.
    QColor backdrop() const { return m_backdrop; }

    /// Whether the screen lies over the current screen in a window of its own size
    /// (the explorer, the glossary) instead of taking the stage.
    virtual bool isOverlay() const { return false; }
    /// Asked of a loaded overlay before it is shown: the text that tells the learner why
    /// it cannot open, or "" when it opens. A window that refuses is never shown.
    virtual QString refuseOpening() { return {}; }

    /// Gives the pointer and the keyboard to the screen, or takes them away while a
    /// window lies over it; the screen keeps its look either way.
    void setInputEnabled(bool enabled);
    bool isInputEnabled() const;

protected:
    /// Builds the screen's objects; runs once per loading.
    virtual void ScreenLoad() = 0;
    /// The screen's activation.
    virtual void ScreenActivate() = 0;
    /// Whether an activation for CAUSE must do nothing now (a window lies over the
    /// screen, or one that lay over it has closed). Not asked after a modal window.
    virtual bool activationHeld(Activation cause) const
    {
        Q_UNUSED(cause)
        return false;
    }
    /// An activation came while it was held (a window that lay over the screen closed):
    /// a screen takes back here a hold it set for that window.
    virtual void heldActivation() { }
    /// After every activation, held or not: the screen's look follows where the pointer
    /// now is, which may have changed (or not moved at all) while another screen or a
    /// window lay in front.
    virtual void pointerSettled() { }
    /// The screen itself has been shown.
    virtual void screenShown() { }
    /// The screen itself has been hidden: it is left, its clocks and sounds stop.
    /// Hiding the whole window (minimising it) does not leave the screen.
    virtual void screenLeft() { }

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    void setBackdrop(const QColor& colour) { m_backdrop = colour; }
    /// Loads the picture NAME of the course; throws CourseError naming a missing or unreadable file.
    QPixmap loadPicture(const QString& name) const;
    /// The hand pointer from "mano.ico".
    QCursor handCursor() const;
    /// A button `Imagex`(INDEX) of a window of its own size (explorer, glossary), hidden,
    /// at the row's X and Y with its picture (`bitmapactivable`, else `bitmapreposo`).
    FrameButton* overlayButton(int index, const Recordset& row);
    Shell& shell() const { return m_shell; }

private:
    Shell& m_shell;
    QString m_windowName;
    qint16 m_number = 0;
    bool m_loaded = false;
    QColor m_backdrop = Qt::black;
    InputLock* m_inputLock = nullptr;
    mutable QCursor m_hand;
    mutable bool m_handLoaded = false;
};
