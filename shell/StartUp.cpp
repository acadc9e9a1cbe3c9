#include "StartUp.h"

#include "CourseError.h"
#include "ExplainedError.h"
#include "CourseImage.h"
#include "CourseTexts.h"
#include "DiscCopyProgress.h"
#include "DiscImage.h"
#include "DiscSectors.h"
#include "ErrorReport.h"
#include "FirstRun.h"
#include "InstallLayout.h"
#include "JetStandIn.h"
#include "ModuleState.h"
#include "OwnLessons.h"
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
#include <cerrno>
#include <sys/stat.h>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QStorageInfo>
#include <functional>

namespace {

const QString contentFile = QStringLiteral("bbm.mdb");
const QString learnerFile = QStringLiteral("usrcurso.mdb");

// Runs STEP; a failure that has no words for the learner gets LEARNERTEXT beside its own
// technical account, or the words for a missing file when it names one.
void explained(const std::function<void()>& step, const QString& learnerText)
{
    try {
        step();
    } catch (const ExplainedError&) {
        throw;
    } catch (const CourseError& error) {
        const QString missing = ErrorReport::missingFileText(error.message());
        throw ExplainedError(error.message(), missing.isEmpty() ? learnerText : missing);
    }
}

// A disc image has its first volume descriptor at sector 16: "CD001" after its type byte for
// ISO 9660, one of the extended area's names for a UDF disc (which the image reader then
// refuses by name rather than as no disc at all).
bool holdsVolumeDescriptor(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(16 * 2048 + 1))
        return false;
    static const QList<QByteArray> names { "CD001", "BEA01", "NSR02", "NSR03", "TEA01", "BOOT2", "CDW02" };
    return names.contains(f.read(5));
}

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

namespace {

QString& standingInFor()
{
    static QString program;
    return program;
}

} // namespace

QString StartUp::programSection()
{
    if (!standingInFor().isEmpty())
        return standingInFor();
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void StartUp::standInFor(const QString& program)
{
    standingInFor() = program;
}

QString StartUp::learnerFolderFor(const QString& bdw, const CourseFolder& course)
{
    if (PgConnection::isServerTarget(bdw))
        return FirstRun(course).learnerFolder();
    return folderOf(UserPaths::fromWindowsPath(bdw));
}

void StartUp::run()
{
    m_state.BackgroundSoundOn = true;
    m_state.Quitting = false;
    ResolveProgramFolder();
    OpenContentDatabase();
    const QString folder = QDir::toNativeSeparators(m_state.ProgramFolder);
    explained([this] { prepareFirstRun(); },
        QStringLiteral("No se pueden preparar tus datos para el curso de %1: no se puede escribir en tu carpeta personal.").arg(folder));
    ReadUserFolder();
    const QString damaged = QStringLiteral("El curso de %1 está incompleto o dañado: no se puede empezar.").arg(folder);
    explained([this] { ShowFirstScreen(); }, damaged);
    explained([this] { LoadExclusions(); }, damaged);
    ReadInstallSettings();
    OpenUserDatabase();
}

void StartUp::ResolveProgramFolder()
{
    QString folder = m_course;
    if (folder.isEmpty()) {
        // The CD layout keeps the program beside its course; otherwise the build's demo
        // course or the installed one.
        const QString own = QCoreApplication::applicationDirPath();
        folder = QFileInfo::exists(CourseFolder(own).resolve(contentFile)) ? own : InstallLayout::courseFolder();
    }
    const QFileInfo given(folder.trimmed());
    const QString named = QDir::toNativeSeparators(folder.trimmed());
    if (given.isFile() || CourseImage::isDevice(given.absoluteFilePath())) {
        // A disc image, or a disc in its drive: the course is read from it as from the disc itself.
        const QString path = given.absoluteFilePath();
        if (given.isFile() && !DiscSectors::needsDriver(path) && !holdsVolumeDescriptor(path))
            throw ExplainedError(QStringLiteral("%1 is a file but no ISO 9660 disc image (no volume descriptor at sector 16)").arg(named),
                CourseTexts::neitherCourseNorDisc(named));
        const QString limit = ProfileFile(expertIniPath()).value(programSection(), QStringLiteral("DiscCacheMB"));
        explained([&] {
            try {
                m_state.Folder = CourseFolder(std::make_shared<const CourseImage>(path, JetStandIn::cacheFolder(), &m_trace,
                    CourseImage::cacheLimit(limit)));
            } catch (const DamagedDiscImage& damaged) {
                // Already in the learner's words; its reason is in the trace's disc.damaged.
                throw ExplainedError(damaged.message(), damaged.message());
            }
        },
            CourseTexts::discDamaged(named));
        DiscCopyProgress::install(m_trace);
        m_state.CdRom = true;
    } else {
        struct stat status {};
        const bool looping = ::stat(QFile::encodeName(given.filePath()).constData(), &status) != 0 && errno == ELOOP;
        if (looping)
            throw ExplainedError(QStringLiteral("%1: its path runs through links in a loop").arg(folder.trimmed()),
                QStringLiteral("No se encuentra el curso en %1: su camino da vueltas por enlaces sin fin.").arg(named));
        if (given.exists() && !given.isDir())
            throw ExplainedError(QStringLiteral("%1 is neither a folder nor a file").arg(folder.trimmed()), CourseTexts::neitherCourseNorDisc(named));
        if (!given.isDir())
            throw ExplainedError(QStringLiteral("course folder %1 does not exist").arg(folder.trimmed()),
                CourseTexts::folderMissing(named));
        if (!given.isReadable() || !given.isExecutable())
            throw ExplainedError(QStringLiteral("cannot read the course folder %1").arg(folder.trimmed()), CourseTexts::cannotRead(named));
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
    if (m_state.Folder.image()) {
        try {
            m_state.Folder.require(contentFile);
        } catch (const CourseError& error) {
            throw ExplainedError(error.message(), CourseTexts::discContentMissing(named));
        }
    }
}

void StartUp::OpenContentDatabase()
{
    const QString file = m_state.Folder.resolve(contentFile);
    const ShareMode share = m_state.CdRom ? ShareMode::Exclusive : ShareMode::Shared;
    const QString folder = QDir::toNativeSeparators(m_state.ProgramFolder);
    const QString learnerText = QFileInfo::exists(file) ? CourseTexts::contentDamaged(folder) : CourseTexts::contentMissing(folder);
    explained([&] { m_state.ContentDb = JetStandIn::open(file, share, AccessMode::ReadOnly, connectString(), &m_trace); }, learnerText);
    m_trace.event("db.open",
        { { QStringLiteral("file"), file }, { QStringLiteral("exclusive"), share == ShareMode::Exclusive },
            { QStringLiteral("readonly"), true }, { QStringLiteral("copy"), m_state.ContentDb->storageFile() } });
    // The learner's own lessons are numbered past the course's.
    auto highest = m_state.ContentDb->openRecordset(QStringLiteral("select N_leccion from lecciones order by N_leccion desc"));
    OwnLessons::setCourseHighest(highest->isEof() ? 0 : qint32(highest->number(QStringLiteral("N_leccion"))));
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
        const QString inst = m_state.Folder.resolve(QStringLiteral("inst.ini"));
        if (section.isEmpty() && !QFileInfo::exists(inst))
            throw ExplainedError(QStringLiteral("%1 is missing, so the learner database cannot be found").arg(inst),
                QStringLiteral("Falta el archivo inst.ini en %1.").arg(QDir::toNativeSeparators(m_state.ProgramFolder)));
        if (section.isEmpty())
            throw ExplainedError(QStringLiteral("%1: no dirdef in section [PRMS], so the learner database cannot be found").arg(inst),
                QStringLiteral("El archivo %1 no dice dónde se guardan tus datos del curso: está dañado o incompleto.").arg(inst));
        if (!expert.exists())
            throw ExplainedError(QStringLiteral("%1 is missing: it names the learner database (BDW in section [%2])")
                                  .arg(expert.fileName(), section),
                QStringLiteral("Falta el archivo %1, que dice dónde se guardan tus datos del curso.").arg(expert.fileName()));
        throw ExplainedError(QStringLiteral("%1: no BDW in section [%2]: the learner database is not named").arg(expert.fileName(), section),
            QStringLiteral("El archivo %1 no dice dónde se guardan tus datos del curso (falta BDW en la sección [%2]).")
                .arg(expert.fileName(), section));
    }
    m_state.InstallSection = bdw;
    if (server) {
        openClassroomStore(bdw, section);
        traceSettings();
        return;
    }
    const QString file = UserPaths::fromWindowsPath(bdw);
    m_state.UserFolder = learnerFolderFor(bdw, m_state.Folder);
    traceSettings();
    explained([&] { FirstRun(m_state.Folder).restoreLearnerDatabase(file, m_trace); },
        QStringLiteral("No se pueden preparar de nuevo tus datos del curso en %1: falta el archivo y no se puede escribir en su carpeta.").arg(file));
    explained([&] {
        m_state.UserDb = JetStandIn::open(file, ShareMode::Shared, AccessMode::ReadWrite, connectString(), &m_trace,
            [this](const QString& message) { ErrorReport::notice(m_trace, message); });
    },
        learnerFileText(file));
    m_trace.event("db.open",
        { { QStringLiteral("file"), file }, { QStringLiteral("exclusive"), false }, { QStringLiteral("readonly"), false },
            { QStringLiteral("copy"), m_state.UserDb->storageFile() } });
}

QString StartUp::learnerFileText(const QString& file)
{
    const QFileInfo info(file);
    const QString named = QDir::toNativeSeparators(file);
    if (!info.exists())
        return QStringLiteral("No se encuentran tus datos del curso: falta el archivo %1.").arg(named);
    if (!info.isReadable() || !info.isWritable())
        return QStringLiteral("No se pueden abrir tus datos del curso en %1: falta permiso para leer o escribir ese archivo.").arg(named);
    // Never overwritten: what can be read of it may still be saved.
    return QStringLiteral("Tus datos del curso en %1 están dañados: no se pueden abrir. Si apartas ese archivo (muévelo a otra carpeta), "
                          "el curso empezará tu registro de nuevo.")
        .arg(named);
}

void StartUp::openClassroomStore(const QString& target, const QString& course)
{
    // The learner's records are on a server; his recordings stay in the course's own folder
    // of his data folder, the one a first run gives the course, never shared with another.
    if (PgConnection::hasPassword(target))
        throw ExplainedError(QStringLiteral("%1: BDW names the server with a password (%2): passwords belong in ~/.pgpass or the "
                                         "libpq service file, never in expert.ini")
                              .arg(expertIniPath(), PgConnection::redacted(target)),
            QStringLiteral("El archivo %1 guarda la contraseña del servidor de la clase, y no debe: pide a tu profesor que la quite de ahí.")
                .arg(expertIniPath()));
    m_state.UserFolder = learnerFolderFor(target, m_state.Folder);
    // The course is known on the server by its section of the settings (inst.ini's dirdef),
    // which is also how the learner's settings tell it from other courses.
    const QString journal = ServerLearnerStore::journalFor(target, course);
    if (ServerLearnerStore::adoptEarlierJournal(target, journal))
        m_trace.event("learner.sync", { { QStringLiteral("op"), QStringLiteral("adopted") }, { QStringLiteral("journal"), journal } });
    auto store = std::make_unique<ServerLearnerStore>(target, course, journal, m_trace,
        [this](const QString& message) { ErrorReport::notice(m_trace, message); });
    // On a computer that has the learner's records from an earlier run the course starts
    // on them at once; on a new one, a moment for them to come back. A server that takes
    // longer (or cannot be reached) leaves the course playing from the journal.
    const bool reached = store->waitForFirstSync(store->hasEarlierRecords() ? 0 : FirstSyncWaitMs);
    m_trace.event("db.open", { { QStringLiteral("server"), PgConnection::redacted(target) }, { QStringLiteral("reached"), reached } });
    m_state.Learner = std::move(store);
}
