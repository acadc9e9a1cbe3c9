#pragma once

// Contract between the two engineers of the learner's own videos. The "lesson" engineer
// implements it (records/OwnLessons.h/.cpp, library tamsel_records, with whatever helper
// classes it needs); the "screen" engineer uses it from the conversation screen and the
// explorer. Change it only by adding; say so in your report.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <utility>
#include <functional>
#include <optional>

#include "VideoProbe.h"

/// The learner's own videos, studied as conversation lessons. They are kept in a small
/// SQLite database in the learner folder of the course (ModuleState::UserFolder), file
/// FileName, never in the course. Lesson numbers lie in FirstNumber..LastNumber, a range
/// no course uses, and are never given twice (a removed lesson's number stays used, so
/// that its visit row in the learner records never marks a newer lesson). The video and
/// subtitle files are referred to by absolute path and checked when the lesson opens.
class OwnLessons {
public:
    static constexpr qint16 FirstNumber = 30001;
    static constexpr qint16 LastNumber = 32767;
    /// The number of the chapter "Mis vídeos" in the trees (key "C30000" with its sign place).
    static constexpr qint16 ChapterNumber = 30000;
    static inline const QString FileName = QStringLiteral("misvideos.db");
    static inline const QString ChapterTitle = QStringLiteral("Mis vídeos");

    static bool isOwnLesson(qint32 lesson) { return lesson >= firstNumber() && lesson <= LastNumber; }
    /// The course's own highest lesson number (set when the course is opened): a course may
    /// itself number lessons from FirstNumber up, and the learner's lessons come after its.
    static void setCourseHighest(qint32 highest) { s_courseHighest = highest; }
    /// The lowest number of the learner's lessons with the course open now.
    static qint32 firstNumber() { return std::max<qint32>(FirstNumber, s_courseHighest + 1); }

    struct Lesson {
        qint16 number = 0;
        QString title;
        QString video;         ///< absolute path
        QString english;       ///< where the English phrases came from: a file, or "VIDEO#N" for an embedded track; empty: none
        QString spanish;       ///< likewise for the Spanish
        qint64 durationMs = 0; ///< as probed when added
        int width = 0;         ///< the video's picture size as probed (0 when unknown)
        int height = 0;
        int phraseCount = 0;
        QDateTime added;       ///< UTC
    };
    struct Phrase {
        qint32 mseg = 0;       ///< start in the video, milliseconds
        QString frase_en;      ///< empty when the lesson has no English
        QString frase_sp;
        qint32 endMs = 0;      ///< where its cue ends; 0: unknown (a store older than the ends), at the next phrase
    };
    /// What the learner asks to add (the command line's and the screen's options).
    struct Request {
        QString video;
        QString english;       ///< a subtitle file; empty: found beside the video, else the video's own track, else none
        QString spanish;
        QString title;         ///< empty: from the video's file name
    };
    /// The outcome of an add: the lesson, or a Spanish message naming the file at fault.
    struct Added {
        std::optional<Lesson> lesson;
        QString error;         ///< for the learner, Spanish; empty on success
        QString detail;        ///< the technical reason, for the trace and standard error
        QStringList notes;     ///< Spanish remarks that did not stop the add ("Sin subtítulos en español.")
    };

    /// The store of the learner folder LEARNERFOLDER. Nothing is created before the first add.
    explicit OwnLessons(QString learnerFolder);
    ~OwnLessons();

    /// The lessons, in number order; empty when the learner has none (or no file yet).
    /// Throws CourseError (Spanish text naming the file) when the file is there but unreadable.
    QList<Lesson> lessons() const;
    std::optional<Lesson> lesson(qint16 number) const;
    /// The lesson's phrases, in start order.
    QList<Phrase> phrases(qint16 number) const;

    /// Adds a lesson: probes the video (it must decode), reads the subtitles, pairs the
    /// phrases and stores everything in one transaction: nothing half-added on any failure.
    /// Blocks while the video is probed (seconds at most); safe to call from a worker thread.
    Added add(const Request& request);
    /// Removes the lesson's rows and the learner's takes of it (TakeStore's folder of the
    /// lesson), never the video or subtitle files. False when there is no such lesson, or
    /// when the file cannot be written (then ERROR, if given, gets the Spanish reason).
    bool remove(qint16 number, QString* error = nullptr);
    /// Points the lesson at the video's new place VIDEO (which must exist); false otherwise
    /// (ERROR, if given, says why in Spanish when it is not that there is no such lesson).
    bool relocate(qint16 number, const QString& video, QString* error = nullptr);

    /// Lessons stored under numbers the course now uses itself (a store older than the
    /// course's lessons of those numbers) are given new numbers past the course's, their
    /// takes moved with them; nothing else changes. The pairs (old, new), in number order.
    QList<std::pair<qint16, qint16>> renumberColliding();

    /// The Spanish message for a lesson whose video is not where it was kept:
    /// "No se encuentra el vídeo «PATH»." (the caller adds what the learner can do).
    static QString missingVideoText(const QString& video);
    /// What the learner is told of a VIDEO given that is there but no file (a folder, a
    /// device such as /dev/zero, a pipe); the missing-video text when it is not there at all.
    static QString notAVideoFileText(const QString& video);

    /// The database file in the learner folder.
    QString databaseFile() const;
    /// Probes videos with PROBE instead of GStreamer (the benchmark's and tests' stand-in).
    void setVideoProbe(std::function<VideoProbe::Facts(const QString& video)> probe) { m_probe = std::move(probe); }

private:
    static inline std::atomic<qint32> s_courseHighest = 0;
    QString m_learnerFolder;
    std::function<VideoProbe::Facts(const QString& video)> m_probe = [](const QString& video) { return VideoProbe::probe(video); };
};
