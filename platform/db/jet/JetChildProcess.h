#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

/// Runs work on a Jet file in a child process of its own. libmdb trusts the pages it
/// reads: on a damaged file it has been seen to loop for ever in the catalog's property
/// blobs and to dump whole pages onto standard error, and a C library can as well crash.
/// None of that may take the player down, so the reading happens in a child: the small
/// reader program installed beside the player (ReaderProgram), started afresh rather than
/// forked with the work, because libmdb opens iconv converters, asks the locale and keeps
/// GLib tables, any of which may take a lock that another thread of the player held at
/// the fork. The child reports through a pipe whose descriptor it is told, one line per message,
/// and dies with its parent; the parent turns a crash, a silence longer than the time
/// limit or an early end into a CourseError naming the file and the last table the child
/// said it was reading.
class JetChildProcess {
public:
    /// Sends one message line to the parent (from inside the child's work).
    using Send = std::function<void(const QByteArray& line)>;
    /// Receives each line the child sends (in the parent).
    using Receive = std::function<void(const QByteArray& line)>;

    /// The reader program's file name; it lives in the folder of the program that uses it.
    static constexpr const char* ReaderProgram = "tamsel-jet-reader";

    /// FILE names the Jet file for error messages; SILENCE is the longest time in
    /// milliseconds the child may go without sending anything.
    JetChildProcess(const QString& file, int silenceMs = 30000);

    /// The reader program beside the running program (which need not have a
    /// QCoreApplication).
    static QString readerPath();

    /// Runs the reader program with the pipe's descriptor and ARGUMENTS; each line it
    /// sends reaches RECEIVE. A line
    /// "table NAME" records which table is being read, for the message if the child fails.
    /// Throws CourseError with the child's own message when its work failed, and when the
    /// child crashes, falls silent or cannot be started.
    void run(const QStringList& arguments, const Receive& receive);

    /// The child's side, in the reader program: runs WORK, which sends its lines to the
    /// parent through the pipe CHANNEL and ends by returning (success) or by throwing
    /// CourseError, whose message reaches the parent. Returns the reader's exit status.
    static int serve(int channel, const std::function<void(const Send&)>& work);

private:
    QString m_file;
    int m_silenceMs = 30000;
};
