#include "TakeStore.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <vector>

namespace {

// A take's name: its phrase, when it was made (UTC with a "Z"; local time in the names of
// earlier versions) and a count that keeps apart takes made within one millisecond.
const QRegularExpression& takeName()
{
    static const QRegularExpression name(QStringLiteral("^frase-(\\d+)-(\\d{8}-\\d{9})(Z?)(?:-(\\d+))?\\.wav$"));
    return name;
}

// What QSaveFile leaves of a take cut short: the take's name and six characters.
const QRegularExpression& unfinishedName()
{
    static const QRegularExpression name(QStringLiteral("^frase-\\d+-\\d{8}-\\d{9}Z?(?:-\\d+)?\\.wav\\.[A-Za-z0-9]{6}$"));
    return name;
}

const QString stampFormat = QStringLiteral("yyyyMMdd-hhmmsszzz");

QString prefix(qint32 mseg)
{
    return QStringLiteral("frase-%1-").arg(mseg);
}

// When a take was made and its count, for ordering; null for a name that is no take's.
struct Made {
    qint64 msecs = -1;
    int count = 0;
    bool operator<(const Made& other) const { return msecs != other.msecs ? msecs < other.msecs : count < other.count; }
};

Made madeOf(const QString& name)
{
    const QRegularExpressionMatch match = takeName().match(name);
    if (!match.hasMatch())
        return {};
    QDateTime stamp = QDateTime::fromString(match.captured(2), stampFormat);
    if (!match.captured(3).isEmpty())
        stamp.setTimeSpec(Qt::UTC);
    if (!stamp.isValid())
        return {};
    return { stamp.toMSecsSinceEpoch(), match.captured(4).toInt() };
}

} // namespace

TakeStore::TakeStore(QString userFolder)
    : m_userFolder(std::move(userFolder))
{
}

QString TakeStore::root() const
{
    QString folder = m_userFolder;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + FolderName;
}

QString TakeStore::lessonFolder(int lesson) const
{
    return root() + QStringLiteral("/leccion-%1").arg(lesson);
}

QString TakeStore::newTakePath(int lesson, qint32 mseg) const
{
    QDateTime now = QDateTime::currentDateTimeUtc();
    // A clock set back since the newest take must not put the new one behind it.
    const QStringList earlier = takes(lesson, mseg);
    if (!earlier.isEmpty()) {
        const qint64 newest = madeOf(QFileInfo(earlier.front()).fileName()).msecs;
        if (newest >= now.toMSecsSinceEpoch())
            now = QDateTime::fromMSecsSinceEpoch(newest + 1, Qt::UTC);
    }
    const QString base = lessonFolder(lesson) + QLatin1Char('/') + prefix(mseg) + now.toString(stampFormat) + QLatin1Char('Z');
    QString path = base + QStringLiteral(".wav");
    // Two takes within a millisecond keep apart.
    for (int n = 1; QFileInfo::exists(path); ++n)
        path = base + QStringLiteral("-%1.wav").arg(n);
    return path;
}

QStringList TakeStore::takes(int lesson, qint32 mseg) const
{
    const QDir folder(lessonFolder(lesson));
    std::vector<std::pair<Made, QString>> found;
    for (const QString& name : folder.entryList({ prefix(mseg) + QStringLiteral("*.wav") }, QDir::Files)) {
        const Made made = madeOf(name);
        if (made.msecs >= 0)
            found.emplace_back(made, name);
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return b.first < a.first; });
    QStringList paths;
    for (const auto& take : found)
        paths << folder.filePath(take.second);
    return paths;
}

void TakeStore::prune(int lesson, qint32 mseg) const
{
    const QStringList all = takes(lesson, mseg);
    for (qsizetype i = TakesKept; i < all.size(); ++i)
        QFile::remove(all.at(i));
}

bool TakeStore::removeTakes(int lesson, qint32 mseg) const
{
    bool removed = true;
    for (const QString& take : takes(lesson, mseg))
        removed = QFile::remove(take) && removed;
    return removed;
}

bool TakeStore::isCompleteTake(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(44);
    if (header.size() < 44 || !header.startsWith("RIFF") || header.mid(8, 4) != "WAVE")
        return false;
    const auto riffSize = qFromLittleEndian<quint32>(header.constData() + 4);
    return file.size() >= qint64(riffSize) + 8;
}

int TakeStore::cleanLeftovers() const
{
    int removed = 0;
    QDirIterator it(root(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = it.fileName();
        const bool unfinished = unfinishedName().match(name).hasMatch() || (takeName().match(name).hasMatch() && !isCompleteTake(path));
        if (unfinished)
            removed += QFile::remove(path) ? 1 : 0;
    }
    return removed;
}

bool TakeStore::removeLesson(int lesson) const
{
    const QString folder = lessonFolder(lesson);
    const QFileInfo info(folder);
    if (info.isSymLink() || !info.isDir())
        return true;
    bool removed = true;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : files) {
        if (takeName().match(file.fileName()).hasMatch() || unfinishedName().match(file.fileName()).hasMatch())
            removed = QFile::remove(file.filePath()) && removed;
    }
    QDir().rmdir(folder);
    return removed;
}

bool TakeStore::eraseAll(const QString& userFolder)
{
    const QString root = TakeStore(userFolder).root();
    if (!QFileInfo(root).isDir())
        return true;
    bool erased = true;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (takeName().match(it.fileName()).hasMatch() || unfinishedName().match(it.fileName()).hasMatch())
            erased = QFile::remove(path) && erased;
    }
    // The folders go with their takes; a folder that holds something else stays.
    QDirIterator folders(root, QDir::Dirs | QDir::NoDotAndDotDot);
    while (folders.hasNext())
        QDir().rmdir(folders.next());
    QDir().rmdir(root);
    return erased;
}
