#pragma once

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

/// One finished attempt at a test: who, which lesson, when, the points earned of the
/// maximum, the whole per cent as the result view shows it, and the answer chosen on
/// each question in the test's order (1 to 4, 0 for a question left unanswered).
/// The id is made once, when the attempt finishes, so that an attempt written twice
/// is still one attempt.
struct TestAttempt {
    QString id;
    QString learner;
    qint16 lesson = 0;
    QDateTime finished; ///< UTC
    qint32 points = 0;
    qint32 maximum = 0;
    qint32 percent = 0;
    QList<int> answers;

    /// A fresh attempt id (a random UUID without braces).
    static QString newId();
    /// The answers as the stores keep them: "1,3,0,4".
    QString answersText() const;
    static QList<int> answersFromText(const QString& text);
    friend bool operator==(const TestAttempt&, const TestAttempt&) = default;
};

/// Where the player keeps what it knows of the learner: the lessons he has visited, his
/// finished test attempts, and the erasing of his work. The learner database named by
/// `BDW=` in expert.ini is one such store; the screens never talk to it in any other way.
/// Every write is durable by the time the call returns (or, for a store that queues its
/// writes, durably queued).
class LearnerStore {
public:
    virtual ~LearnerStore() = default;

    /// The lessons with a visit row, as the store holds them now. Throws CourseError when
    /// the register cannot be read or written (a missing table, a read-only database).
    virtual QSet<qint16> visitedLessons() = 0;
    /// Registers a visit of LESSON unless there is one; true when it was already there.
    virtual bool markVisited(qint16 lesson) = 0;
    /// Erases the learner's work: his visits and his test attempts.
    virtual void eraseWork() = 0;
    /// Keeps ATTEMPT; one already kept under its id is left as it is.
    virtual void saveAttempt(const TestAttempt& attempt) = 0;
    /// The learner's attempts at LESSON, the latest first.
    virtual std::vector<TestAttempt> attempts(qint16 lesson) = 0;
    /// The best per cent of the learner's attempts at LESSON, none without an attempt.
    virtual std::optional<qint32> bestPercent(qint16 lesson);
    /// The best per cent of ATTEMPTS, none when there are none.
    static std::optional<qint32> bestOf(const std::vector<TestAttempt>& attempts);
    /// The learner's name as the store knows him.
    virtual QString learner() const = 0;
    /// The computer's account the player runs under: $USER, else the account's own name
    /// (never a folder's name, which anyone may choose).
    static QString accountName();
    /// LISTENER runs (on the screens' thread) when records the learner made elsewhere come
    /// in, so that what shows them can be built again; one listener, the latest set.
    virtual void setChangeListener(std::function<void()> listener) { Q_UNUSED(listener) }
};
