#include "JetStandIn.h"

#include "CourseError.h"
#include "JetConverter.h"
#include "JetCopyLock.h"
#include "JetCopyMerge.h"
#include "JetHeader.h"
#include "SqlStatement.h"
#include "Trace.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QStandardPaths>
#include <QThread>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Changes to what a conversion produces change this, so that old copies are made again.
constexpr const char* converterVersion = "jet-2";

// The first pages of a Jet file, hashed into its fingerprint with the catalog's rows:
// the header, the catalog's definition (page 2) and the pages Jet keeps its maps in.
constexpr qint64 leadingPages = 16;
// More catalog pages than any course has: a map that names more is not followed further.
constexpr int catalogPageLimit = 256;

QString hashOf(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(20));
}

// Write permission in the folder's mode as well as access(): the latter lets the
// superuser "write" into a folder nobody may write to.
bool isWritableFolder(const QString& path)
{
    const QFileInfo folder(path);
    return folder.isDir() && folder.isWritable()
        && (folder.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
}

QByteArray pageOf(QFile& f, qint64 page, int size)
{
    if (page < 0 || !f.seek(page * size))
        return {};
    const QByteArray bytes = f.read(size);
    return bytes.size() == size ? bytes : QByteArray();
}

quint32 littleEndian(const QByteArray& bytes, qsizetype at, int count)
{
    quint32 value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | uchar(bytes.at(at + i));
    return value;
}

// The data pages of the catalog (MSysObjects), as the usage map its definition on page 2
// points at names them; each is checked to be a data page of that table. Whatever does
// not add up yields fewer pages, never a failure: the reader proper judges the file.
QList<qint64> catalogPages(QFile& f, const JetHeader& header)
{
    const int size = header.pageSize();
    const bool jet3 = header.version() == JetHeader::Version::Jet3;
    const QByteArray definition = pageOf(f, 2, size);
    const int mapAt = jet3 ? 35 : 55;
    if (definition.isEmpty())
        return {};
    const int row = uchar(definition.at(mapAt));
    const QByteArray holder = pageOf(f, littleEndian(definition, mapAt + 1, 3), size);
    const int countAt = jet3 ? 8 : 12;
    if (holder.isEmpty() || row >= int(littleEndian(holder, countAt, 2)) || countAt + 4 + 2 * row > size)
        return {};
    const int start = int(littleEndian(holder, countAt + 2 + 2 * row, 2) & 0x1FFF);
    const int end = row == 0 ? size : int(littleEndian(holder, countAt + 2 * row, 2) & 0x1FFF);
    if (start + 5 > end || end > size)
        return {};
    const QByteArray map = holder.mid(start, end - start);
    QList<qint64> pages;
    const auto addUsed = [&](const QByteArray& bits, qsizetype from, qint64 first) {
        for (qsizetype i = from; i < bits.size() && pages.size() < catalogPageLimit; ++i) {
            for (int bit = 0; bit < 8; ++bit) {
                const qint64 page = first + (i - from) * 8 + bit;
                if (uchar(bits.at(i)) >> bit & 1 && page < header.pageCount())
                    pages << page;
            }
        }
    };
    if (map.at(0) == 0) {
        addUsed(map, 5, littleEndian(map, 1, 4));
    } else if (map.at(0) == 1) {
        // A map too long for its row: pages of bits, each page covering (size - 4) * 8 pages.
        for (qsizetype j = 0; 1 + 4 * j + 4 <= map.size() && pages.size() < catalogPageLimit; ++j) {
            const QByteArray bits = pageOf(f, littleEndian(map, 1 + 4 * j, 4), size);
            if (!bits.isEmpty() && littleEndian(map, 1 + 4 * j, 4) != 0)
                addUsed(bits, 4, j * (size - 4) * 8);
        }
    }
    QList<qint64> rows;
    for (const qint64 page : std::as_const(pages)) {
        const QByteArray bytes = pageOf(f, page, size);
        if (!bytes.isEmpty() && bytes.at(0) == 1 && littleEndian(bytes, 4, 4) == 2)
            rows << page;
    }
    return rows;
}

// What tells one state of the Jet file FILE from another: where it is, its size and
// time, and a hash of its leading pages and its catalog, so that a file replaced by
// another of the same size and time is told apart too.
QByteArray fingerprint(const QString& file)
{
    const QByteArray local = QFile::encodeName(QFileInfo(file).absoluteFilePath());
    struct stat info {};
    QFile f(file);
    if (::stat(local.constData(), &info) != 0 || !f.open(QIODevice::ReadOnly))
        throw CourseError(QStringLiteral("%1: the database file is missing").arg(file));
    const JetHeader header = JetHeader::read(file);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(f.read(leadingPages * header.pageSize()));
    const QList<qint64> catalog = catalogPages(f, header);
    for (const qint64 page : catalog)
        hash.addData(pageOf(f, page, header.pageSize()));
    return local + '\n' + QByteArray::number(quint64(info.st_dev)) + '\n' + QByteArray::number(quint64(info.st_ino)) + '\n'
        + QByteArray::number(qint64(info.st_size)) + '\n' + QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.'
        + QByteArray::number(qint64(info.st_mtim.tv_nsec)) + '\n' + hash.result().toHex();
}

QString dataFolderCopy(const QString& file)
{
    const QFileInfo info(file);
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tamsel/")
        + info.completeBaseName() + QLatin1Char('-') + hashOf(QFile::encodeName(info.absoluteFilePath())).left(10)
        + QStringLiteral(".sqlite");
}

QString besideCopy(const QString& file)
{
    const QFileInfo info(file);
    return info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".sqlite");
}

struct CacheChoice {
    QString folder;
    QString refused; ///< the folder wanted, when it could not be used
};

bool makeOwnFolder(const QString& path)
{
    return QDir().mkpath(path) && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)
        && isWritableFolder(path);
}

CacheChoice usableCache()
{
    const QString wanted = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/tamsel/");
    const QStringList folders { wanted,
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tamsel/cache/"),
        QDir::tempPath() + QStringLiteral("/tamsel-cache-%1/").arg(::getuid()) };
    for (const QString& folder : folders) {
        if (makeOwnFolder(folder))
            return { folder, folder == wanted ? QString() : wanted };
    }
    throw CourseError(QStringLiteral("no folder for converted copies can be written (tried %1)").arg(folders.join(QStringLiteral(", "))));
}

QString cachedCopyIn(const QString& folder, const QString& file)
{
    const QByteArray local = QFile::encodeName(QFileInfo(file).absoluteFilePath());
    return folder + hashOf(local) + QLatin1Char('-') + hashOf(fingerprint(file) + '\n' + converterVersion) + QStringLiteral(".sqlite");
}

// Opens the converted copy COPY when it can serve; otherwise gives the reason in DAMAGE:
// a file cut short, bytes that are no database, or, for a learner's copy, pages that do
// not hold together. Throws CourseError for any other failure.
std::unique_ptr<Database> openWhole(const QString& copy, ShareMode share, AccessMode access, const QString& connect, QString& damage)
{
    // A copy this user may not read (another's, in a shared folder) is not damaged: it is
    // left as it is, and so is one locked with another password, or busy.
    QFile f(copy);
    if (!f.open(QIODevice::ReadOnly))
        throw CourseError(QStringLiteral("%1: the converted copy cannot be read (%2)").arg(copy, f.errorString()));
    const QByteArray head = f.read(100);
    if (head.size() < 100 || !head.startsWith(QByteArray("SQLite format 3\0", 16))) {
        damage = QStringLiteral("it is not a database");
        return nullptr;
    }
    const auto number = [&](int at, int bytes) {
        quint64 value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | uchar(head.at(at + i));
        return value;
    };
    const quint64 pageSize = number(16, 2) == 1 ? 65536 : number(16, 2);
    // The page count in the header holds when the change counter and its stamp agree.
    if (number(24, 4) == number(92, 4) && quint64(f.size()) < number(28, 4) * pageSize) {
        damage = QStringLiteral("it is cut short");
        return nullptr;
    }
    f.close();
    try {
        auto db = Database::open(copy, share, access, connect);
        if (access == AccessMode::ReadWrite) {
            SqlStatement check(*db, QStringLiteral("pragma quick_check(1)"));
            if (check.step() && check.value(0).toString() != QLatin1String("ok")) {
                damage = check.value(0).toString();
                return nullptr;
            }
        }
        return db;
    } catch (const CourseError& error) {
        if (!error.message().contains(QLatin1String("malformed")) && !error.message().contains(QLatin1String("not a database")))
            throw;
        damage = error.message().section(QStringLiteral(": "), 1);
    }
    return nullptr;
}

// Renames COPY (and its journal, which belongs to it) aside under a name saying WHY,
// never over another file; returns the new name.
QString setAside(const QString& jetFile, const QString& copy, const QString& why)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = copy + QStringLiteral(".%1-%2").arg(why, stamp);
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = copy + QStringLiteral(".%1-%2-%3").arg(why, stamp).arg(n);
    if (!QFile::rename(copy, aside))
        throw CourseError(QStringLiteral("%1: its converted copy %2 cannot be set aside as %3").arg(jetFile, copy, aside));
    for (const QString& journal : { QStringLiteral("-journal"), QStringLiteral("-wal") }) {
        if (QFileInfo::exists(copy + journal))
            QFile::rename(copy + journal, aside + journal);
    }
    return aside;
}

void traceSetAside(Trace* trace, const QString& file, const QString& copy, const QString& aside, const QString& reason)
{
    if (trace) {
        trace->event("db.setaside",
            { { QStringLiteral("file"), file }, { QStringLiteral("copy"), copy }, { QStringLiteral("aside"), aside },
                { QStringLiteral("reason"), reason } });
    }
}

// Files in COPY's folder named by PATTERNS: the leftovers of conversions cut short and of
// earlier versions. Called only under the copy's exclusive lock, which every writer holds
// for as long as it writes, so that whatever is found has no writer any more.
void removeLeftovers(const QString& copy, const QStringList& patterns)
{
    const QDir folder = QFileInfo(copy).dir();
    const QStringList names = folder.entryList(patterns, QDir::Files);
    for (const QString& name : names)
        QFile::remove(folder.filePath(name));
}

enum class Converted { Done, FileChanged };

// Converts FILE into COPY, which is not there, under COPY's exclusive lock. A file that
// changed while it was read gives no copy: the caller reads it again, once.
Converted convertInto(const QString& file, const QString& copy, int attempt, Trace* trace)
{
    const QByteArray before = fingerprint(file);
    bool changed = false;
    JetCopyPlacing placing;
    placing.existing = JetCopyPlacing::Existing::Keep;
    placing.access = JetCopyPlacing::Access::OwnerOnly;
    placing.beforePlacing = [&] {
        if (fingerprint(file) != before) {
            changed = true;
            throw CourseError(QStringLiteral("%1: the file keeps changing while it is being converted: "
                                             "close whatever writes to it and start again")
                                  .arg(file));
        }
    };
    try {
        const JetConversion conversion = JetConverter::convert(file, copy, {}, 30000, placing);
        if (trace)
            JetStandIn::traceConversion(*trace, conversion);
        return Converted::Done;
    } catch (const CourseError&) {
        if (!changed || attempt > 0)
            throw;
    }
    return Converted::FileChanged;
}

std::unique_ptr<Database> openContent(const QString& file, const QString& connect, Trace* trace)
{
    const CacheChoice cache = usableCache();
    if (!cache.refused.isEmpty()) {
        qWarning("tamsel: the cache folder %s cannot be written: converted copies are kept in %s", qPrintable(cache.refused),
            qPrintable(cache.folder));
        if (trace)
            trace->event("db.cache", { { QStringLiteral("file"), file }, { QStringLiteral("refused"), cache.refused }, { QStringLiteral("used"), cache.folder } });
    }
    QString damage;
    for (int attempt = 0;; ++attempt) {
        const QString copy = cachedCopyIn(cache.folder, file);
        if (QFileInfo::exists(copy)) {
            if (auto db = openWhole(copy, ShareMode::Shared, AccessMode::ReadOnly, connect, damage))
                return db;
        }
        // One lock for every version of the file, since making one clears the others.
        const QString stem = QFileInfo(copy).fileName().section(QLatin1Char('-'), 0, 0);
        const JetCopyLock lock(cache.folder + stem, JetCopyLock::Kind::Exclusive, JetCopyLock::Wait::UntilFree);
        if (QFileInfo::exists(copy)) {
            if (auto db = openWhole(copy, ShareMode::Shared, AccessMode::ReadOnly, connect, damage))
                return db; // made by another process while this one waited for the lock
            const QString aside = setAside(file, copy, QStringLiteral("damaged"));
            traceSetAside(trace, file, copy, aside, damage);
            qWarning("tamsel: %s: its converted copy %s was damaged (%s): it is kept as %s and made again", qPrintable(file),
                qPrintable(copy), qPrintable(damage), qPrintable(aside));
        }
        // Copies of earlier versions of the same file are of no more use, nor are the
        // unfinished copies of conversions cut short.
        removeLeftovers(copy, { stem + QStringLiteral("-*.sqlite"), stem + QStringLiteral("-*.sqlite.part*") });
        if (convertInto(file, copy, attempt, trace) == Converted::Done)
            return Database::open(copy, ShareMode::Shared, AccessMode::ReadOnly, connect);
    }
}

// What one opening of a learner database asks for.
struct LearnerRequest {
    QString file;
    ShareMode share = ShareMode::Shared;
    QString connect;
    Trace* trace = nullptr;
    JetStandIn::Tell tell;
};

// Opens the learner's copy COPY, there and whole, holding its lock shared while it is open;
// a damaged copy is set aside instead, telling the learner, and nothing opened.
std::unique_ptr<Database> openMade(const LearnerRequest& r, const QString& copy)
{
    auto lock = std::make_shared<JetCopyLock>(copy, JetCopyLock::Kind::Shared, JetCopyLock::Wait::UntilFree);
    if (!QFileInfo::exists(copy))
        return nullptr;
    QString damage;
    if (auto db = openWhole(copy, r.share, AccessMode::ReadWrite, r.connect, damage)) {
        if (lock->isHeld())
            db->keepWhileOpen(std::move(lock));
        return db;
    }
    lock->release();
    if (!Database::isJetFile(r.file))
        throw CourseError(QStringLiteral("%1: its converted copy %2 is damaged (%3), and the Jet file it was made from is gone")
                              .arg(r.file, copy, damage));
    const JetCopyLock own(copy, JetCopyLock::Kind::Exclusive, JetCopyLock::Wait::NotAtAll);
    if (!own.isHeld())
        throw CourseError(QStringLiteral("%1: its converted copy %2 is damaged (%3) and open in another running player: "
                                         "close that player and start again")
                              .arg(r.file, copy, damage));
    if (!QFileInfo::exists(copy))
        return nullptr;
    const QString aside = setAside(r.file, copy, QStringLiteral("damaged"));
    traceSetAside(r.trace, r.file, copy, aside, damage);
    qWarning("tamsel: the learner's copy %s is damaged (%s): kept as %s, made again from %s", qPrintable(copy), qPrintable(damage),
        qPrintable(aside), qPrintable(r.file));
    if (r.tell)
        r.tell(QStringLiteral("El archivo que guarda tu progreso, %1, estaba dañado. Se ha guardado aparte como %2 y se ha hecho uno "
                              "nuevo a partir de %3: puede que algunas lecciones que ya viste aparezcan como no vistas.")
                   .arg(copy, aside, r.file));
    return nullptr; // the next round makes it again
}

std::unique_ptr<Database> makeCopy(const LearnerRequest& r, const QString& copy, const QString& elsewhere, int attempt)
{
    if (!Database::isJetFile(r.file))
        throw CourseError(QStringLiteral("%1: the database file is missing").arg(r.file));
    const QString folder = QFileInfo(copy).absolutePath();
    if (!QDir().mkpath(folder))
        throw CourseError(QStringLiteral("%1: the folder %2 for its converted copy cannot be made").arg(r.file, folder));
    // Not waited for in the kernel: the process making the copy goes on holding the lock,
    // shared, for as long as it has the copy open.
    std::shared_ptr<JetCopyLock> lock;
    for (;;) {
        lock = std::make_shared<JetCopyLock>(copy, JetCopyLock::Kind::Exclusive, JetCopyLock::Wait::NotAtAll);
        if (QFileInfo::exists(copy) || QFileInfo::exists(elsewhere))
            return nullptr; // made by another process meanwhile
        if (lock->isHeld())
            break;
        QThread::msleep(50);
    }
    removeLeftovers(copy, { QFileInfo(copy).fileName() + QStringLiteral(".part*") });
    if (convertInto(r.file, copy, attempt, r.trace) == Converted::FileChanged)
        return nullptr;
    lock->share();
    auto db = Database::open(copy, r.share, AccessMode::ReadWrite, r.connect);
    db->keepWhileOpen(std::move(lock));
    return db;
}

// Both places have a copy (the folder's writability changed between two starts): the rows
// of OTHER are brought into KEPT, and OTHER is set aside. Nothing is opened when either
// is damaged (it is set aside first) or gone meanwhile.
std::unique_ptr<Database> mergeCopies(const LearnerRequest& r, const QString& kept, const QString& other)
{
    JetCopyLock otherLock(other, JetCopyLock::Kind::Exclusive, JetCopyLock::Wait::NotAtAll);
    if (!otherLock.isHeld()) {
        // A running player writes there: it stays the copy until that player ends.
        if (r.trace)
            r.trace->event("db.merge",
                { { QStringLiteral("file"), r.file }, { QStringLiteral("kept"), other }, { QStringLiteral("other"), kept },
                    { QStringLiteral("deferred"), true } });
        return openMade(r, other);
    }
    if (!QFileInfo::exists(other))
        return nullptr;
    QString damage;
    if (!openWhole(other, ShareMode::Shared, AccessMode::ReadWrite, r.connect, damage)) {
        otherLock.release();
        return openMade(r, other); // sets it aside, telling the learner
    }
    auto db = openMade(r, kept);
    if (!db)
        return nullptr;
    db->nameAfter(r.file);
    const QList<JetCopyMerge::Taken> taken = JetCopyMerge::merge(*db, other);
    const QString aside = setAside(r.file, other, QStringLiteral("merged"));
    QJsonArray tables;
    qint64 rows = 0;
    for (const JetCopyMerge::Taken& table : taken) {
        tables.append(QJsonObject { { QStringLiteral("table"), table.table }, { QStringLiteral("rows"), table.rows } });
        rows += table.rows;
    }
    if (r.trace)
        r.trace->event("db.merge",
            { { QStringLiteral("file"), r.file }, { QStringLiteral("kept"), kept }, { QStringLiteral("other"), other },
                { QStringLiteral("aside"), aside }, { QStringLiteral("rows"), rows }, { QStringLiteral("tables"), tables } });
    qWarning("tamsel: %s: two copies of the learner's progress were found: the %lld rows only %s had were added to %s, and it is kept as %s",
        qPrintable(r.file), qlonglong(rows), qPrintable(other), qPrintable(kept), qPrintable(aside));
    return db;
}

std::unique_ptr<Database> openLearner(const LearnerRequest& r)
{
    const QString beside = besideCopy(r.file);
    const QString away = dataFolderCopy(r.file);
    // Each round settles one thing another process may have changed meanwhile: a copy
    // made, merged or set aside.
    for (int round = 0; round < 8; ++round) {
        const bool besideMade = QFileInfo::exists(beside);
        const bool awayMade = QFileInfo::exists(away);
        const bool writable = isWritableFolder(QFileInfo(beside).absolutePath());
        const QString wanted = writable ? beside : away;
        const QString elsewhere = writable ? away : beside;
        std::unique_ptr<Database> db;
        if (besideMade && awayMade)
            db = mergeCopies(r, wanted, elsewhere);
        else if (besideMade || awayMade)
            db = openMade(r, besideMade ? beside : away);
        else
            db = makeCopy(r, wanted, elsewhere, round);
        if (db)
            return db;
    }
    throw CourseError(QStringLiteral("%1: its converted copy keeps changing under other running players").arg(r.file));
}

} // namespace

QString JetStandIn::cacheFolder()
{
    return usableCache().folder;
}

QString JetStandIn::cachedCopy(const QString& file)
{
    return cachedCopyIn(cacheFolder(), file);
}

QString JetStandIn::learnerCopy(const QString& file)
{
    const QString beside = besideCopy(file);
    const QString away = dataFolderCopy(file);
    if (QFileInfo::exists(beside) || (!QFileInfo::exists(away) && isWritableFolder(QFileInfo(beside).absolutePath())))
        return beside;
    // A learner database where nothing may be written (a disc, a shared read-only
    // folder): its copy goes to the user's data folder, named after where it came from.
    return away;
}

void JetStandIn::checkPassword(const QString& file, const QString& password, const QString& connect)
{
    // Jet asks for no password when the file has none, whatever the connect string says.
    if (!password.isEmpty() && password != connectStringValue(connect, QStringLiteral("PWD")))
        throw CourseError(QStringLiteral("%1: wrong password: the database is locked with another one").arg(file));
}

void JetStandIn::traceConversion(Trace& trace, const JetConversion& c)
{
    for (const JetConversion::Rebuilt& query : c.rebuiltQueries) {
        trace.event("db.convert.query",
            { { QStringLiteral("file"), c.file }, { QStringLiteral("query"), query.name }, { QStringLiteral("rebuilt"), true },
                { QStringLiteral("how"), query.how } });
    }
    for (const JetConversion::Unrebuilt& query : c.unrebuilt) {
        trace.event("db.convert.query",
            { { QStringLiteral("file"), c.file }, { QStringLiteral("query"), query.name }, { QStringLiteral("rebuilt"), false },
                { QStringLiteral("reason"), query.reason }, { QStringLiteral("fallback"), query.fallback } });
    }
    trace.event("db.convert",
        { { QStringLiteral("file"), c.file }, { QStringLiteral("format"), c.format }, { QStringLiteral("tables"), c.tables },
            { QStringLiteral("rows"), c.rows }, { QStringLiteral("queries"), c.queries }, { QStringLiteral("rebuilt"), c.rebuilt },
            { QStringLiteral("fallback"), c.fallback }, { QStringLiteral("ms"), c.ms } });
}

std::unique_ptr<Database> JetStandIn::open(const QString& file, ShareMode share, AccessMode access, const QString& connect, Trace* trace,
    const Tell& tell)
{
    const bool learner = access == AccessMode::ReadWrite;
    const bool jet = Database::isJetFile(file);
    // The learner's converted copy holds progress: once made it is the database, even
    // should the Jet file beside it go away.
    if (!jet && (!learner || QFileInfo::exists(file) || !QFileInfo::exists(learnerCopy(file))))
        return Database::open(file, share, access, connect);
    // Checked against the Jet file itself, so that a wrong password names that file.
    if (jet)
        checkPassword(file, JetHeader::read(file).password(), connect);
    auto db = learner ? openLearner({ file, share, connect, trace, tell }) : openContent(file, connect, trace);
    db->nameAfter(file);
    return db;
}
