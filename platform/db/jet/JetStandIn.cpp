#include "JetStandIn.h"

#include "CourseError.h"
#include "JetConverter.h"
#include "JetHeader.h"
#include "Trace.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QStandardPaths>
#include <sys/stat.h>

namespace {

// Changes to what a conversion produces change this, so that old copies are made again.
constexpr const char* converterVersion = "jet-2";

QString hashOf(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(20));
}

} // namespace

QString JetStandIn::cacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/tamsel/");
}

QString JetStandIn::cachedCopy(const QString& file)
{
    const QString path = QFileInfo(file).absoluteFilePath();
    const QByteArray local = QFile::encodeName(path);
    struct stat info {};
    if (::stat(local.constData(), &info) != 0)
        throw CourseError(QStringLiteral("%1: the database file is missing").arg(file));
    const QByteArray identity = local + '\n' + QByteArray::number(quint64(info.st_dev)) + '\n'
        + QByteArray::number(quint64(info.st_ino)) + '\n' + QByteArray::number(qint64(info.st_size)) + '\n'
        + QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.' + QByteArray::number(qint64(info.st_mtim.tv_nsec))
        + '\n' + converterVersion;
    return cacheFolder() + hashOf(local) + QLatin1Char('-') + hashOf(identity) + QStringLiteral(".sqlite");
}

QString JetStandIn::learnerCopy(const QString& file)
{
    const QFileInfo info(file);
    const QString beside = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".sqlite");
    const QFileInfo folder(info.absolutePath());
    // Write permission in the folder's mode as well as access(): the latter lets the
    // superuser "write" into a folder nobody may write to.
    const bool writable = folder.isWritable()
        && (folder.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
    if (writable || QFileInfo::exists(beside))
        return beside;
    // A learner database where nothing may be written (a disc, a shared read-only
    // folder): its copy goes to the user's data folder, named after where it came from.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tamsel/")
        + info.completeBaseName() + QLatin1Char('-') + hashOf(QFile::encodeName(info.absoluteFilePath())).left(10)
        + QStringLiteral(".sqlite");
}

void JetStandIn::checkPassword(const QString& file, const QString& password, const QString& connect)
{
    // Jet asks for no password when the file has none, whatever the connect string says.
    if (!password.isEmpty() && password != connectStringValue(connect, QStringLiteral("PWD")))
        throw CourseError(QStringLiteral("%1: wrong password: the database is locked with another one").arg(file));
}

void JetStandIn::traceConversion(Trace& trace, const JetConversion& c)
{
    for (const JetConversion::Unrebuilt& query : c.unrebuilt) {
        trace.event("db.convert.query",
            { { QStringLiteral("file"), c.file }, { QStringLiteral("query"), query.name }, { QStringLiteral("reason"), query.reason },
                { QStringLiteral("fallback"), query.fallback } });
    }
    trace.event("db.convert",
        { { QStringLiteral("file"), c.file }, { QStringLiteral("format"), c.format }, { QStringLiteral("tables"), c.tables },
            { QStringLiteral("rows"), c.rows }, { QStringLiteral("queries"), c.queries }, { QStringLiteral("rebuilt"), c.rebuilt },
            { QStringLiteral("fallback"), c.fallback }, { QStringLiteral("ms"), c.ms } });
}

std::unique_ptr<Database> JetStandIn::open(const QString& file, ShareMode share, AccessMode access, const QString& connect, Trace* trace)
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

    const QString copy = learner ? learnerCopy(file) : cachedCopy(file);
    if (!QFileInfo::exists(copy)) {
        const QString folder = QFileInfo(copy).absolutePath();
        if (!QDir().mkpath(folder))
            throw CourseError(QStringLiteral("%1: the folder %2 for its converted copy cannot be made").arg(file, folder));
        // Copies of earlier versions of the same file are of no more use, nor are the
        // unfinished copies of a conversion that was cut short.
        const QFileInfo made(copy);
        const QString pattern = learner ? made.fileName() + QStringLiteral(".part*") : made.fileName().section(QLatin1Char('-'), 0, 0) + QStringLiteral("-*");
        const QStringList old = made.dir().entryList({ pattern }, QDir::Files);
        for (const QString& name : old)
            QFile::remove(made.dir().filePath(name));
        const JetConversion conversion = JetConverter::convert(file, copy);
        if (trace)
            traceConversion(*trace, conversion);
    }
    return Database::open(copy, learner ? share : ShareMode::Shared, access, connect);
}
