#pragma once

#include <QString>

class CourseFolder;
class Shell;
class Trace;
struct ModuleState;

/// The player's start: one copy only, the course folder, the content database, the
/// settings files, the learner database, the exclusions and the decision which screen
/// comes first. Every step that fails throws CourseError naming what failed.
class StartUp {
public:
    /// COURSE is the folder given on the command line ("" when none was). With a SHELL,
    /// the first screen is built during start-up; showFirstScreen() then brings it up.
    StartUp(ModuleState& state, Trace& trace, const QString& course, Shell* shell = nullptr);

    /// Brings up the first screen once start-up has finished: the map is shown (and
    /// activated from the event loop); the introduction shows itself when its video is ready.
    void showFirstScreen();

    /// Runs the steps in order, after the single-instance check has passed.
    void run();

    /// The window decided by ShowFirstScreen: "frmintro" or "frmms".
    QString firstWindow() const { return m_firstWindow; }

    void ResolveProgramFolder();
    void OpenContentDatabase();
    /// On this user's first start of a course that carries its learner database, sets the
    /// user up as the course's set-up program did (see FirstRun).
    void prepareFirstRun();
    void ReadUserFolder();
    void ShowFirstScreen();
    void LoadExclusions();
    void ReadInstallSettings();
    void OpenUserDatabase();

    /// The connect string of both databases.
    static QString connectString();
    /// `expert.ini` in the user's configuration folder, which stands for the Windows folder.
    static QString expertIniPath();
    /// The section of `expert.ini` named after the program's executable.
    static QString programSection();
    /// A program beside the player that starts a course as the player does (tamsel-lesson)
    /// reads and writes the player's section PROGRAM rather than one of its own.
    static void standInFor(const QString& program);
    /// The learner folder of COURSE when the course's `BDW` in `expert.ini` is BDW: the
    /// folder of the learner database it names, or for a classroom server the course's
    /// own folder of the user's data folder (FirstRun::learnerFolder()).
    static QString learnerFolderFor(const QString& bdw, const CourseFolder& course);
    /// What the learner is told when his own database FILE cannot be opened, by the cause.
    static QString learnerFileText(const QString& file);

private:
    /// How long start-up waits for a classroom server's records before the course plays from the journal.
    static constexpr int FirstSyncWaitMs = 100;
    /// BDW names a server: the learner store is the classroom's.
    void openClassroomStore(const QString& target, const QString& course);
    ModuleState& m_state;
    Trace& m_trace;
    QString m_course;
    Shell* m_shell = nullptr;
    QString m_firstWindow;
};

/// The folder part of a learner-database path: up to and including its last separator.
QString folderOf(const QString& path);
