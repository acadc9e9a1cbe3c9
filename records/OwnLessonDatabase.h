#pragma once

#include "OwnLessons.h"

#include <QList>
#include <QString>
#include <memory>
#include <optional>

class Database;

/// The file of the learner's own videos (OwnLessons::FileName in the learner folder): the
/// lessons, their phrases, and in table `meta` the next lesson number, which only grows,
/// so a number is never given twice. Every write is one immediate transaction that waits
/// for another program's write (two adds at once) rather than failing.
class OwnLessonDatabase {
public:
    /// How long a write waits for another connection's write to end.
    static constexpr int BusyTimeoutMs = 15000;

    /// What a write did: OK, or a Spanish message for the learner and the technical reason.
    struct Written {
        bool ok = false;
        qint16 number = 0; ///< the lesson stored
        QString error;
        QString detail;
    };

    explicit OwnLessonDatabase(QString file);
    ~OwnLessonDatabase();

    QString file() const { return m_file; }
    /// The lessons, in number order, each with its phrase count. These reads throw
    /// CourseError (Spanish, naming the file) when the file is there but unreadable.
    QList<OwnLessons::Lesson> lessons() const;
    std::optional<OwnLessons::Lesson> lesson(qint16 number) const;
    QList<OwnLessons::Phrase> phrases(qint16 number) const;

    /// Stores LESSON under the next number (its number and phrase count are not read: the
    /// count is PHRASES') with PHRASES, in
    /// one transaction; the file and its folder are made at the first store.
    Written insert(const OwnLessons::Lesson& lesson, const QList<OwnLessons::Phrase>& phrases);
    /// Deletes the lesson's rows; not ok (with no error) when there was no such lesson.
    Written remove(qint16 number);
    /// Points the lesson at VIDEO; not ok (with no error) when there is no such lesson.
    Written relocate(qint16 number, const QString& video);
    /// Gives the lessons numbered below FIRST (down to OwnLessons::FirstNumber) the next free
    /// numbers from FIRST up, in one transaction: the pairs (old, new); empty when none is
    /// left for all of them (nothing is changed then).
    QList<std::pair<qint16, qint16>> renumberBelow(qint32 first);

private:
    /// The file opened for reading; null when there is none yet.
    std::unique_ptr<Database> openForReading() const;
    /// The file opened for writing, made first when missing; throws CourseError.
    std::unique_ptr<Database> openForWriting() const;
    void createIfMissing() const;
    Written failedWrite(const QString& detail) const;
    /// Runs WORK in an immediate transaction, rolled back when it throws.
    template<typename Work>
    Written write(Work work);

    QString m_file;
};
