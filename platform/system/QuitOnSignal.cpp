#include "QuitOnSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <array>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array handled { SIGTERM, SIGINT, SIGHUP };
constexpr int nestedLoopPollMs = 20;

// The write end, for the handler: only async-signal-safe calls there.
volatile sig_atomic_t writeEnd = -1;

void onSignal(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    if (writeEnd >= 0)
        [[maybe_unused]] const ssize_t written = ::write(writeEnd, &number, 1);
    errno = saved;
}

} // namespace

QuitOnSignal::QuitOnSignal(QObject* parent)
    : QObject(parent)
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    writeEnd = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitOnSignal::read);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : handled)
        ::sigaction(signal, &action, nullptr);
}

QuitOnSignal::~QuitOnSignal()
{
    if (m_pipe[0] < 0)
        return;
    for (const int signal : handled)
        ::signal(signal, SIG_DFL);
    writeEnd = -1;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void QuitOnSignal::read()
{
    unsigned char number = 0;
    bool any = false;
    while (::read(m_pipe[0], &number, 1) == 1) {
        any = true;
        emit received(number);
    }
    if (any)
        quitFromTheMainLoop();
}

void QuitOnSignal::quitFromTheMainLoop()
{
    // Quitting ends every loop at once: one waiting inside it for a copy or a sound to load
    // would take it as a failure. So the application is asked to quit from its own loop
    // only; a signal during the start, before that loop runs, ends it once it does.
    if (QThread::currentThread()->loopLevel() > 1) {
        QTimer::singleShot(nestedLoopPollMs, this, &QuitOnSignal::quitFromTheMainLoop);
        return;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}
