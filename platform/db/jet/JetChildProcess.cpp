#include "JetChildProcess.h"

#include "CourseError.h"

#include <QFile>
#include <QFileInfo>

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
const QByteArray tablePrefix = "table ";

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

// libmdb has been seen to grow without end on a damaged catalog: the child gets a ceiling
// well above what any real course needs. Sanitizer builds reserve address space by the
// terabyte and are left alone.
void limitMemory()
{
#if defined(__SANITIZE_ADDRESS__)
    return;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return;
#endif
#endif
    constexpr rlim_t ceiling = rlim_t(2) << 30;
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
    // could take the place of a descriptor the caller names the Jet file by
    // (/proc/self/fd/N, as the fuzzer does).
    if (::fcntl(start.pipe, F_SETFD, 0) != 0)
        ::_exit(5);
    limitMemory();
    ::execv(start.program, start.argv);
    [[maybe_unused]] const ssize_t written = ::write(start.pipe, start.startFailed, start.startFailedSize);
    ::_exit(127);
}

} // namespace

JetChildProcess::JetChildProcess(const QString& file, int silenceMs)
    : m_file(file)
    , m_silenceMs(silenceMs)
{
}

QString JetChildProcess::readerPath()
{
    // /proc/self/exe rather than QCoreApplication: the reader is found from programs that
    // have none, such as the fuzzer.
    const QString self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return QFileInfo(self).path() + QLatin1Char('/') + QLatin1String(ReaderProgram);
}

int JetChildProcess::serve(int channel, const std::function<void(const Send&)>& work)
{
    struct stat pipe {};
    if (::fstat(channel, &pipe) != 0 || !S_ISFIFO(pipe.st_mode)) {
        std::fprintf(stderr, "%s: descriptor %d is not the pipe of the program that starts this one\n", ReaderProgram, channel);
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

void JetChildProcess::run(const QStringList& arguments, const Receive& receive)
{
    const QString reader = readerPath();
    if (!QFileInfo(reader).isExecutable())
        throw CourseError(QStringLiteral("%1: the Jet reader %2 is missing: the installation is incomplete").arg(m_file, reader));
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw CourseError(QStringLiteral("%1: no pipe for the Jet reader (%2)").arg(m_file, QString::fromLocal8Bit(strerror(errno))));
    const QByteArray program = QFile::encodeName(reader);
    std::vector<QByteArray> words { program, QByteArray::number(fds[1]) };
    for (const QString& argument : arguments)
        words.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const QByteArray startFailed = errorPrefix + escaped(QStringLiteral("%1: the Jet reader %2 cannot be started").arg(m_file, reader).toUtf8()) + '\n';
    // libmdb's page dumps are of no use to the learner; TAMSEL_JET_STDERR keeps them.
    const int devNull = qEnvironmentVariableIsEmpty("TAMSEL_JET_STDERR") ? ::open("/dev/null", O_WRONLY | O_CLOEXEC) : -1;
    const ReaderStart start { ::getpid(), fds[1], devNull, program.constData(), argv.data(), startFailed.constData(), size_t(startFailed.size()) };
    const pid_t pid = ::fork();
    if (pid == 0)
        becomeReader(start);
    const int forkError = errno;
    if (devNull >= 0)
        ::close(devNull);
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw CourseError(QStringLiteral("%1: the Jet reader cannot be started (%2)").arg(m_file, QString::fromLocal8Bit(strerror(forkError))));
    }

    ::close(fds[1]);
    QByteArray pending;
    QByteArray last;
    QString table;
    bool silent = false;
    for (;;) {
        pollfd p { fds[0], POLLIN, 0 };
        const int ready = ::poll(&p, 1, m_silenceMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            silent = true;
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
            if (line.startsWith(tablePrefix))
                table = QString::fromUtf8(line.mid(tablePrefix.size()));
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

    const QString where = table.isEmpty() ? QString() : QStringLiteral(", table %1").arg(table);
    if (silent)
        throw CourseError(QStringLiteral("%1%2: the Jet reader stopped responding (%3 s without progress): the file is damaged")
                              .arg(m_file, where)
                              .arg(m_silenceMs / 1000));
    if (last.startsWith(errorPrefix))
        throw CourseError(QString::fromUtf8(last.mid(errorPrefix.size())));
    if (last == okLine && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return;
    const QString how = WIFSIGNALED(status) ? QStringLiteral("signal %1").arg(WTERMSIG(status))
                                            : QStringLiteral("exit status %1").arg(WEXITSTATUS(status));
    throw CourseError(QStringLiteral("%1%2: the Jet reader failed (%3): the file is damaged").arg(m_file, where, how));
}
