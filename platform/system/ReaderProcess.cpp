#include "ReaderProcess.h"

#include "CourseError.h"

#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The child's last words: "ok", or "error " followed by a CourseError's message.
const QByteArray okLine = "ok";
const QByteArray errorPrefix = "error ";

void writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ::_exit(3);
        done += n;
    }
}

QByteArray escaped(const QByteArray& line)
{
    QByteArray copy = line;
    return copy.replace('\\', "\\\\").replace('\n', "\\n");
}

QByteArray unescaped(const QByteArray& line)
{
    QByteArray out;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            out += line[i + 1] == 'n' ? '\n' : line[i + 1];
            ++i;
        } else {
            out += line[i];
        }
    }
    return out;
}

// A library reading damaged data may grow without end: the child gets a ceiling well
// above what any real input needs. Sanitizer builds reserve address space by the
// terabyte and are left alone.
void limitMemory(rlim_t ceiling)
{
#if defined(__SANITIZE_ADDRESS__)
    return;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return;
#endif
#endif
    rlimit limit {};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > ceiling)) {
        limit.rlim_cur = ceiling;
        ::setrlimit(RLIMIT_AS, &limit);
    }
}

// Everything the forked child needs, made before the fork: between fork and exec the
// child may only make system calls, since another thread of the parent may have held
// any lock (the allocator's excepted) at the moment of the fork.
struct ReaderStart {
    pid_t parent = 0;
    int pipe = -1;
    int devNull = -1; // -1: the reader's standard output and error stay the parent's
    const char* program = nullptr;
    char* const* argv = nullptr;
    const char* startFailed = nullptr;
    size_t startFailedSize = 0;
    rlim_t memory = 0;
};

[[noreturn]] void becomeReader(const ReaderStart& start)
{
    // The child dies with the thread that forked it, and run() waits in that thread until
    // the child has ended. A parent that died before the call has already left the child
    // to another one: it stops here.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != start.parent)
        ::_exit(4);
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (start.devNull >= 0) {
        ::dup2(start.devNull, STDOUT_FILENO);
        ::dup2(start.devNull, STDERR_FILENO);
    }
    // The pipe keeps its number, which the reader is told: moved onto a fixed one, it
    // could take the place of a descriptor the caller names its input by
    // (/proc/self/fd/N, as the Jet fuzzer does).
    if (::fcntl(start.pipe, F_SETFD, 0) != 0)
        ::_exit(5);
    limitMemory(start.memory);
    ::execv(start.program, start.argv);
    [[maybe_unused]] const ssize_t written = ::write(start.pipe, start.startFailed, start.startFailedSize);
    ::_exit(127);
}

} // namespace

ReaderProcess::ReaderProcess(const Program& program, const QString& file, int silenceMs)
    : m_program(program)
    , m_file(file)
    , m_silenceMs(silenceMs)
{
}

QString ReaderProcess::programPath(const char* program)
{
    // /proc/self/exe rather than QCoreApplication: the reader is found from programs that
    // have none, such as the fuzzer.
    const QString self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return QFileInfo(self).path() + QLatin1Char('/') + QLatin1String(program);
}

int ReaderProcess::serve(int channel, const std::function<void(const Send&)>& work)
{
    struct stat pipe {};
    if (::fstat(channel, &pipe) != 0 || !S_ISFIFO(pipe.st_mode)) {
        std::fprintf(stderr, "descriptor %d is not the pipe of the program that starts this one\n", channel);
        return 2;
    }
    try {
        work([channel](const QByteArray& line) { writeAll(channel, escaped(line) + '\n'); });
        writeAll(channel, okLine + '\n');
    } catch (const CourseError& error) {
        writeAll(channel, errorPrefix + escaped(error.message().toUtf8()) + '\n');
    } catch (const std::exception& error) {
        writeAll(channel, errorPrefix + escaped(QByteArray(error.what())) + '\n');
    }
    return 0;
}

void ReaderProcess::run(const QStringList& arguments, const Receive& receive)
{
    const QString reader = programPath(m_program.name);
    const QString what = QLatin1String(m_program.what);
    if (!QFileInfo(reader).isExecutable())
        throw CourseError(QStringLiteral("%1: %2 %3 is missing: the installation is incomplete").arg(m_file, what, reader));
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw CourseError(QStringLiteral("%1: no pipe for %2 (%3)").arg(m_file, what, QString::fromLocal8Bit(strerror(errno))));
    const QByteArray program = QFile::encodeName(reader);
    std::vector<QByteArray> words { program, QByteArray::number(fds[1]) };
    for (const QString& argument : arguments)
        words.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const QByteArray startFailed = errorPrefix + escaped(QStringLiteral("%1: %2 %3 cannot be started").arg(m_file, what, reader).toUtf8()) + '\n';
    // A library's dumps are of no use to the learner; the program's variable keeps them.
    const int devNull = qEnvironmentVariableIsEmpty(m_program.keepStderr) ? ::open("/dev/null", O_WRONLY | O_CLOEXEC) : -1;
    const ReaderStart start { ::getpid(), fds[1], devNull, program.constData(), argv.data(), startFailed.constData(), size_t(startFailed.size()),
        rlim_t(m_program.memoryMiB) << 20 };
    const pid_t pid = ::fork();
    if (pid == 0)
        becomeReader(start);
    const int forkError = errno;
    if (devNull >= 0)
        ::close(devNull);
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw CourseError(QStringLiteral("%1: %2 cannot be started (%3)").arg(m_file, what, QString::fromLocal8Bit(strerror(forkError))));
    }

    ::close(fds[1]);
    QByteArray pending;
    QByteArray last;
    QString place;
    const QByteArray placePrefix = QByteArray(m_program.place) + ' ';
    bool silent = false;
    bool overtime = false;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        int wait = m_silenceMs;
        if (m_program.deadlineMs > 0)
            wait = int(std::clamp<qint64>(m_program.deadlineMs - clock.elapsed(), 0, wait));
        pollfd p { fds[0], POLLIN, 0 };
        const int ready = ::poll(&p, 1, wait);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            (m_program.deadlineMs > 0 && clock.elapsed() >= m_program.deadlineMs ? overtime : silent) = true;
            ::kill(pid, SIGKILL);
            break;
        }
        char buffer[4096];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        pending.append(buffer, n);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = unescaped(pending.left(end));
            pending.remove(0, end + 1);
            last = line;
            if (line.startsWith(placePrefix))
                place = QString::fromUtf8(line.mid(placePrefix.size()));
            if (line != okLine && !line.startsWith(errorPrefix)) {
                try {
                    receive(line);
                } catch (...) {
                    // The caller gives up on the conversion: so does the reader.
                    ::kill(pid, SIGKILL);
                    ::close(fds[0]);
                    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
                    }
                    throw;
                }
            }
        }
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }

    const QString where = place.isEmpty() ? QString() : QStringLiteral(", %1 %2").arg(QLatin1String(m_program.place), place);
    if (silent)
        throw CourseError(QStringLiteral("%1%2: %3 stopped responding (%4 s without progress): the file is damaged")
                              .arg(m_file, where, what)
                              .arg(m_silenceMs / 1000));
    if (overtime)
        throw CourseError(QStringLiteral("%1%2: %3 did not finish within %4 s: the file is damaged")
                              .arg(m_file, where, what)
                              .arg(m_program.deadlineMs / 1000.0));
    if (last.startsWith(errorPrefix))
        throw CourseError(QString::fromUtf8(last.mid(errorPrefix.size())));
    if (last == okLine && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return;
    const QString how = WIFSIGNALED(status) ? QStringLiteral("signal %1").arg(WTERMSIG(status))
                                            : QStringLiteral("exit status %1").arg(WEXITSTATUS(status));
    throw CourseError(QStringLiteral("%1%2: %3 failed (%4): the file is damaged").arg(m_file, where, what, how));
}
