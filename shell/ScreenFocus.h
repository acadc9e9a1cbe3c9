#pragma once

#include <QObject>
#include <functional>

class QWidget;
class Screen;
class Trace;

/// Keeps the keyboard with the window in front (the overlay when one is open, otherwise
/// the current screen). Whatever took the keys while it was open (a field of the glossary,
/// a dialog, a menu, the video's full screen) may leave the focus nowhere when it goes: a
/// widget deleted with the focus leaves its window without one, and a dialog closed where
/// no window manager hands the activation back leaves the program without an active
/// window. Each activation of the window in front, the closing of each window of the
/// program's own and a click on the window in front give the keys back here, once for every
/// screen.
class ScreenFocus : public QObject {
    Q_OBJECT

public:
    /// Gives the keys back in HOST, the program's one main window; FRONT names the window
    /// in front at each moment.
    ScreenFocus(QWidget& host, std::function<Screen*()> front, Trace& trace, QObject* parent = nullptr);
    ~ScreenFocus() override;

    /// Gives the keys to SCREEN unless it or one of its widgets already has them, and
    /// makes the host the active window when no window of the program is active.
    void giveTo(Screen& screen);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void returnKeys();

    QWidget& m_host;
    std::function<Screen*()> m_front;
    Trace& m_trace;
    bool m_queued = false;
};
