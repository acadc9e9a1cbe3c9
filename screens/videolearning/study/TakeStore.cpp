#include "TakeStore.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>

namespace {

const QRegularExpression& takeName()
{
    static const QRegularExpression name(QStringLiteral("^frase-(\\d+)-(\\d{8}-\\d{9})(-\\d+)?\\.wav$"));
    return name;
}

QString prefix(qint32 mseg)
{
    return QStringLiteral("frase-%1-").arg(mseg);
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
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmsszzz"));
    const QString base = lessonFolder(lesson) + QLatin1Char('/') + prefix(mseg) + stamp;
    QString path = base + QStringLiteral(".wav");
    // Two takes within a millisecond keep apart.
    for (int n = 1; QFileInfo::exists(path); ++n)
        path = base + QStringLiteral("-%1.wav").arg(n);
    return path;
}

QStringList TakeStore::takes(int lesson, qint32 mseg) const
{
    const QDir folder(lessonFolder(lesson));
    QStringList found;
    for (const QString& name : folder.entryList({ prefix(mseg) + QStringLiteral("*.wav") }, QDir::Files, QDir::Name | QDir::Reversed)) {
        if (takeName().match(name).hasMatch())
            found << folder.filePath(name);
    }
    return found;
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
        if (takeName().match(it.fileName()).hasMatch() && isCompleteTake(path))
            continue;
        removed += QFile::remove(path) ? 1 : 0;
    }
    return removed;
}

bool TakeStore::eraseAll(const QString& userFolder)
{
    QDir folder(TakeStore(userFolder).root());
    return !folder.exists() || folder.removeRecursively();
}
