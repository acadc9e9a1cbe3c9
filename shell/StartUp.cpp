#include "StartUp.h"

#include "CourseError.h"
#include "CourseImage.h"
#include "ErrorReport.h"
#include "FirstRun.h"
#include "InstallLayout.h"
#include "JetStandIn.h"
#include "ModuleState.h"
#include "PgConnection.h"
#include "ProfileFile.h"
#include "Recordset.h"
#include "Screen.h"
#include "ServerLearnerStore.h"
#include "Shell.h"
#include "Trace.h"
#include "UserPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QStorageInfo>

namespace {

const QString contentFile = QStringLiteral("bbm.mdb");
const QString learnerFile = QStringLiteral("usrcurso.mdb");

bool isCdRom(const QString& folder)
{
    const QByteArray type = QStorageInfo(folder).fileSystemType().toLower();
    return type == "iso9660" || type == "udf";
}

} // namespace

QString folderOf(const QString& path)
{
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.left(slash + 1);
}

StartUp::StartUp(ModuleState& state, Trace& trace, const QString& course, Shell* shell)
    : m_state(state)
    , m_trace(trace)
    , m_course(course)
    , m_shell(shell)
{
}

QString StartUp::connectString()
{
    return QStringLiteral("MS Access;PWD=vemparo41");
}

QString StartUp::expertIniPath()
{
    return UserPaths::configFolder() + QStringLiteral("expert.ini");
}

QString StartUp::programSection()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void StartUp::run()
{
    m_state.BackgroundSoundOn = true;
    m_state.Quitting = false;
    ResolveProgramFolder();
    OpenContentDatabase();
    prepareFirstRun();
    ReadUserFolder();
    ShowFirstScreen();
    LoadExclusions();
    ReadInstallSettings();
    OpenUserDatabase();
}

void StartUp::ResolveProgramFolder()
{
    QString folder = m_course;
    if (folder.isEmpty()) {
        // The CD layout keeps the program beside its course; otherwise the installed course.
        const QString own = QCoreApplication::applicationDirPath();
        folder = QFileInfo::exists(CourseFolder(own).resolve(contentFile))
            ? own
            : InstallLayout::dataFolder() + QStringLiteral("course");
    }
    const QFileInfo given(folder.trimmed());
    if (given.isFile()) {
        // A disc image: the course is read from it as from the disc itself.
        m_state.Folder = CourseFolder(std::make_shared<const CourseImage>(given.absoluteFilePath(), JetStandIn::cacheFolder(), &m_trace));
        m_state.CdRom = true;
    } else {
        if (!given.isDir())
            throw CourseError(QStringLiteral("course folder %1 does not exist").arg(folder.trimmed()));
        m_state.Folder = CourseFolder(folder);
        m_state.CdRom = isCdRom(m_state.Folder.path());
    }
    m_state.ProgramFolder = m_state.Folder.path();
    QJsonObject start { { QStringLiteral("version"), QStringLiteral(TAMSEL_VERSION) }, { QStringLiteral("program_folder"), m_state.ProgramFolder },
        { QStringLiteral("cdrom"), m_state.CdRom } };
    if (const CourseImage* image = m_state.Folder.image())
        start.insert(QStringLiteral("image"), image->image());
    m_trace.event("start", start);
    // A disc without the content database is no course disc: said before anything else.
    if (m_state.Folder.image())
        m_state.Folder.require(contentFile);
}

void StartUp::OpenContentDatabase()
{
    const QString file = m_state.Folder.resolve(contentFile);
    const ShareMode share = m_state.CdRom ? ShareMode::Exclusive : ShareMode::Shared;
    m_state.ContentDb = JetStandIn::open(file, share, AccessMode::ReadOnly, connectString(), &m_trace);
    m_trace.event("db.open",
        { { QStringLiteral("file"), file }, { QStringLiteral("exclusive"), share == ShareMode::Exclusive },
            { QStringLiteral("readonly"), true }, { QStringLiteral("copy"), m_state.ContentDb->storageFile() } });
}

void StartUp::prepareFirstRun()
{
    const FirstRun firstRun(m_state.Folder);
    if (firstRun.isDue())
        firstRun.run(m_trace);
}

void StartUp::ReadUserFolder()
{
    const QString bdw = ProfileFile(expertIniPath()).value(programSection(), QStringLiteral("BDW"));
    // Only a value that names the learner database says where the learner's folder is;
    // any other value leaves the folder as it was.
    if (bdw.contains(learnerFile))
        m_state.UserFolder = folderOf(UserPaths::fromWindowsPath(bdw));
}

void StartUp::ShowFirstScreen()
{
    m_state.History.assign(1, HistoryEntry { 1, 1 });
    m_state.HistoryTop = 0;
    m_state.HistoryCursor = 0;
    auto lessons = m_state.ContentDb->openRecordset(QStringLiteral("select * from lecciones order by N_leccion"));
    if (lessons->isEof())
        throw CourseError(QStringLiteral("%1: table lecciones has no lessons").arg(m_state.ContentDb->fileName()));
    lessons->moveFirst();
    m_firstWindow = lessons->number(QStringLiteral("N_leccion")) == 0 ? QStringLiteral("frmintro") : QStringLiteral("frmms");
    // Both ways the course starts on the home lesson: left at 0, the map would look for a
    // lesson 0 that does not exist.
    m_state.CurrentLesson = 1;
    m_trace.event("first_screen", { { QStringLiteral("window"), m_firstWindow } });
    if (m_shell) {
        Screen* first = m_shell->window(m_firstWindow);
        if (!first && m_firstWindow == QLatin1String("frmintro")) {
            // A player without its introduction goes straight to the map.
            m_firstWindow = QStringLiteral("frmms");
            first = m_shell->window(m_firstWindow);
        }
        if (first)
            first->ensureLoaded();
    }
}

void StartUp::showFirstScreen()
{
    if (!m_shell)
        return;
    Screen* first = m_shell->window(m_firstWindow);
    if (first && m_firstWindow == QLatin1String("frmms"))
        m_shell->showScreen(first);
}

void StartUp::LoadExclusions()
{
    auto rows = m_state.ContentDb->openRecordset(QStringLiteral("exclusiones"));
    m_state.ExclusionCount = 0;
    int ignored = 0;
    for (; !rows->isEof(); rows->moveNext()) {
        // The table has room for 31 entries; further rows are reported, never written past it.
        if (m_state.ExclusionCount >= ModuleState::MaxExclusions) {
            ++ignored;
            continue;
        }
        Exclusion& entry = m_state.Exclusions[size_t(m_state.ExclusionCount)];
        entry.accion = qint16(rows->number(QStringLiteral("accion")));
        entry.leccion = qint32(rows->number(QStringLiteral("leccion")));
        ++m_state.ExclusionCount;
    }
    m_trace.event("exclusions", { { QStringLiteral("count"), m_state.ExclusionCount }, { QStringLiteral("ignored"), ignored } });
}

void StartUp::ReadInstallSettings()
{
    const ProfileFile inst(m_state.Folder.resolve(QStringLiteral("inst.ini")));
    m_state.InstallSection = inst.value(QStringLiteral("PRMS"), QStringLiteral("dirdef"));
}

void StartUp::OpenUserDatabase()
{
    const ProfileFile expert(expertIniPath());
    const QString section = m_state.InstallSection;
    const QString bdw = expert.value(section, QStringLiteral("BDW"));
    const bool server = PgConnection::isServerTarget(bdw);
    const auto traceSettings = [&] {
        m_trace.event("settings",
            { { QStringLiteral("inst_section"), section }, { QStringLiteral("bdw"), server ? PgConnection::redacted(bdw) : bdw },
                { QStringLiteral("user_folder"), m_state.UserFolder } });
    };
    if (bdw.isEmpty()) {
        m_state.InstallSection.clear();
        traceSettings();
        if (section.isEmpty())
            throw CourseError(QStringLiteral("%1: no dirdef in section [PRMS], so the learner database cannot be found")
                                  .arg(m_state.Folder.resolve(QStringLiteral("inst.ini"))));
        if (!expert.exists())
            throw CourseError(QStringLiteral("%1 is missing: it names the learner database (BDW in section [%2])")
                                  .arg(expert.fileName(), section));
        throw CourseError(QStringLiteral("%1: no BDW in section [%2]: the learner database is not named")
                              .arg(expert.fileName(), section));
    }
    m_state.InstallSection = bdw;
    if (server) {
        openClassroomStore(bdw);
        traceSettings();
        return;
    }
    const QString file = UserPaths::fromWindowsPath(bdw);
    m_state.UserFolder = folderOf(file);
    traceSettings();
    m_state.UserDb = JetStandIn::open(file, ShareMode::Shared, AccessMode::ReadWrite, connectString(), &m_trace,
        [this](const QString& message) { ErrorReport::notice(m_trace, message); });
    m_trace.event("db.open",
        { { QStringLiteral("file"), file }, { QStringLiteral("exclusive"), false }, { QStringLiteral("readonly"), false },
            { QStringLiteral("copy"), m_state.UserDb->storageFile() } });
}

void StartUp::openClassroomStore(const QString& target)
{
    // The learner's records are on a server; his recordings stay in the course's own folder
    // of his data folder, the one a first run gives the course, never shared with another.
    if (PgConnection::hasPassword(target))
        throw CourseError(QStringLiteral("%1: BDW names the server with a password (%2): passwords belong in ~/.pgpass or the "
                                         "libpq service file, never in expert.ini")
                              .arg(expertIniPath(), PgConnection::redacted(target)));
    m_state.UserFolder = FirstRun(m_state.Folder).learnerFolder();
    auto store = std::make_unique<ServerLearnerStore>(target, ServerLearnerStore::journalFor(target), m_trace,
        [this](const QString& message) { ErrorReport::notice(m_trace, message); });
    // On a computer that has the learner's records from an earlier run the course starts
    // on them at once; on a new one, a moment for them to come back. A server that takes
    // longer (or cannot be reached) leaves the course playing from the journal.
    const bool reached = store->waitForFirstSync(store->hasEarlierRecords() ? 0 : FirstSyncWaitMs);
    m_trace.event("db.open", { { QStringLiteral("server"), PgConnection::redacted(target) }, { QStringLiteral("reached"), reached } });
    m_state.Learner = std::move(store);
}
