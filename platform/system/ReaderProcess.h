#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

/// Runs work on outside data (a Jet file, a disc image) in a child process of its own.
/// The C libraries that read such data trust what they read: on damaged input they have
/// been seen to loop for ever, to dump whole pages onto standard error, to grow without
/// end and to overwrite their own stack. None of that may take the player down, so the
/// reading happens in a child: a small reader program installed beside the player,
/// started afresh rather than forked with the work, because such libraries open iconv
/// converters, ask the locale and keep GLib tables, any of which may take a lock that
/// another thread of the player held at the fork. The child reports through a pipe whose
/// descriptor it is told, one line per message, and dies with its parent; the parent turns
/// a crash, a silence longer than the time limit, a run past its deadline or an early end
/// into a CourseError naming the file and the last place the child said it was reading.
class ReaderProcess {
public:
    /// Sends one message line to the parent (from inside the child's work).
    using Send = std::function<void(const QByteArray& line)>;
    /// Receives each line the child sends (in the parent).
    using Receive = std::function<void(const QByteArray& line)>;

    /// What tells one reader program from another.
    struct Program {
        const char* name;       ///< its file name, in the folder of the program that uses it
        const char* what;       ///< how messages name it ("the Jet reader")
        const char* place;      ///< the word of its "PLACE NAME" lines ("table")
        const char* keepStderr; ///< the variable that, set, keeps its standard error
        int memoryMiB = 2048;   ///< its address space's ceiling
        int deadlineMs = 0;     ///< the longest it may run in all (0: no limit)
    };

    /// FILE names the input for error messages; SILENCE is the longest time in
    /// milliseconds the child may go without sending anything.
    ReaderProcess(const Program& program, const QString& file, int silenceMs = 30000);

    /// The program PROGRAM beside the running program (which need not have a
    /// QCoreApplication).
    static QString programPath(const char* program);

    /// Runs the reader program with the pipe's descriptor and ARGUMENTS; each line it
    /// sends reaches RECEIVE. A line "PLACE NAME" records where the child is reading, for
    /// the message if it fails. Throws CourseError with the child's own message when its
    /// work failed, and when the child crashes, falls silent, overruns its deadline or
    /// cannot be started. An exception RECEIVE throws ends the child and goes on up.
    void run(const QStringList& arguments, const Receive& receive);

    /// The child's side, in the reader program: runs WORK, which sends its lines to the
    /// parent through the pipe CHANNEL and ends by returning (success) or by throwing
    /// CourseError, whose message reaches the parent. Returns the reader's exit status.
    static int serve(int channel, const std::function<void(const Send&)>& work);

private:
    Program m_program;
    QString m_file;
    int m_silenceMs = 30000;
};
