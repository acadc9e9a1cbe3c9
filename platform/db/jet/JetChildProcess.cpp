#include "JetChildProcess.h"

#include "CourseError.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

} // namespace

JetChildProcess::JetChildProcess(const QString& file, int silenceMs)
    : m_file(file)
    , m_silenceMs(silenceMs)
{
}

void JetChildProcess::run(const std::function<void(const Send&)>& work, const Receive& receive)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw CourseError(QStringLiteral("%1: no pipe for the Jet reader (%2)").arg(m_file, QString::fromLocal8Bit(strerror(errno))));
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw CourseError(QStringLiteral("%1: the Jet reader cannot be started (%2)").arg(m_file, QString::fromLocal8Bit(strerror(errno))));
    }
    if (pid == 0) {
        ::close(fds[0]);
        // libmdb's page dumps are of no use to the learner; TAMSEL_JET_STDERR keeps them.
        if (qEnvironmentVariableIsEmpty("TAMSEL_JET_STDERR")) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        limitMemory();
        const int out = fds[1];
        try {
            work([out](const QByteArray& line) { writeAll(out, escaped(line) + '\n'); });
            writeAll(out, okLine + '\n');
        } catch (const CourseError& error) {
            writeAll(out, errorPrefix + escaped(error.message().toUtf8()) + '\n');
        } catch (const std::exception& error) {
            writeAll(out, errorPrefix + escaped(QByteArray(error.what())) + '\n');
        }
        ::_exit(0); // no destructors, no atexit handlers of the parent's objects
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
            if (line != okLine && !line.startsWith(errorPrefix))
                receive(line);
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
