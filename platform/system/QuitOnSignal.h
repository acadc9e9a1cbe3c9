#pragma once

#include <QObject>

class QSocketNotifier;

/// Ends the application as closing its window does when the session asks it to end
/// (SIGTERM at logout or shutdown, SIGINT, SIGHUP): the event loop returns and everything
/// is let go of as usual, the disc's copies written out included. The signal handler only
/// writes a byte to a pipe; the loop reads it. One at a time in a process.
class QuitOnSignal : public QObject {
    Q_OBJECT

public:
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;

signals:
    /// The signal's number, just before the application is asked to quit.
    void received(int signal);

private:
    void read();
    void quitFromTheMainLoop();

    int m_pipe[2] = { -1, -1 };
    QSocketNotifier* m_notifier = nullptr;
};
