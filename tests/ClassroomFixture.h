#pragma once

#include "ClassroomServer.h"
#include "LearnerStore.h"
#include "ServerLearnerStore.h"
#include "Trace.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <sys/types.h>

/// What the tests of the classroom's records share: a classroom database on the private
/// cluster with the learners ana and luis, the stores made on it (each with a journal of its
/// own), what they tell the learner, and a trace that CLASSROOM_TRACE shows.
class ClassroomFixture : public QObject {
protected:
    /// The fixture course's identifier on the server: its inst.ini's dirdef.
    static const QString kCourse;

    /// Opens the trace on standard error when CLASSROOM_TRACE is set, to see what the stores did.
    void openTraceWhenAsked();
    /// Makes the classroom database NAME afresh with the learners ana and luis, and forgets
    /// what was told.
    void setUpServer(const QString& name);
    /// Brings the cluster back (a test that failed may leave it stopped or frozen) and drops
    /// the database.
    void tearDownServer();

    /// A journal file of its own in the fixture's home.
    QString newJournal();
    /// The journal newJournal made last.
    QString lastJournal() const;
    /// A classroom store of USER in COURSE with JOURNAL (a new one when empty); what it
    /// tells the learner goes to m_told.
    std::unique_ptr<ServerLearnerStore> storeOf(const QString& user, QString journal = {}, const QString& course = kCourse);
    /// The number of rows of tamsel.TABLE that match WHERE.
    QString count(const QString& table, const QString& where) const;
    /// The cluster's postmaster, for a server that stops answering (SIGSTOP) and goes on.
    static pid_t postmaster();
    /// A finished test attempt of LESSON with POINTS of MAXIMUM.
    static TestAttempt attemptAt(qint16 lesson, int points, int maximum = 10, const QDateTime& finished = QDateTime::currentDateTimeUtc());

    std::unique_ptr<ClassroomServer> m_server;
    QTemporaryDir m_home;
    Trace m_trace;
    QStringList m_told;

private:
    int m_journals = 0;
};
