#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

/// Runs work on a Jet file in a child process of its own. libmdb trusts the pages it
/// reads: on a damaged file it has been seen to loop for ever in the catalog's property
/// blobs and to dump whole pages onto standard error, and a C library can as well crash.
/// None of that may take the player down, so the reading happens in a forked child; the
/// child reports through a pipe, one line per message, and the parent turns a crash, a
/// silence longer than the time limit or an early end into a CourseError naming the file
/// and the last table the child said it was reading.
class JetChildProcess {
public:
    /// Sends one message line to the parent (from inside the child's work).
    using Send = std::function<void(const QByteArray& line)>;
    /// Receives each line the child sends (in the parent).
    using Receive = std::function<void(const QByteArray& line)>;

    /// FILE names the Jet file for error messages; SILENCE is the longest time in
    /// milliseconds the child may go without sending anything.
    JetChildProcess(const QString& file, int silenceMs = 30000);

    /// Runs WORK in the child; each line it sends reaches RECEIVE. A line "table NAME"
    /// records which table is being read, for the message if the child fails. WORK ends
    /// by returning normally (success) or by throwing CourseError, whose message the
    /// parent throws again. Throws CourseError when the child crashes or falls silent.
    void run(const std::function<void(const Send&)>& work, const Receive& receive);

private:
    QString m_file;
    int m_silenceMs = 30000;
};
