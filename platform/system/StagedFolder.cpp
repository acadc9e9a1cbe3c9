#include "StagedFolder.h"

#include "ExplainedError.h"

#include <QDir>
#include <QFileInfo>

StagedFolder::StagedFolder(const QString& output, const QString& cannotWrite)
    : m_output(output)
    , m_cannotWrite(cannotWrite)
    , m_existed(QFileInfo::exists(output))
{
    if (!QDir().mkpath(output))
        throw ExplainedError(QStringLiteral("cannot create %1").arg(output), cannotWrite);
    m_staging = std::make_unique<QTemporaryDir>(output + QStringLiteral("/.staging-XXXXXX"));
    if (!m_staging->isValid()) {
        const QString why = m_staging->errorString();
        if (!m_existed)
            QDir().rmdir(output);
        throw ExplainedError(QStringLiteral("cannot create a folder in %1: %2").arg(output, why), cannotWrite);
    }
}

StagedFolder::~StagedFolder()
{
    m_staging->remove();
    if (!m_committed && !m_existed)
        QDir().rmdir(m_output);
}

void StagedFolder::commit()
{
    const QDir built(m_staging->path());
    for (const QString& name : built.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = m_output + QLatin1Char('/') + name;
        const QFileInfo old(target);
        if (old.isDir() && !old.isSymLink())
            QDir(target).removeRecursively();
        else
            QFile::remove(target);
        if (!QDir().rename(built.filePath(name), target))
            throw ExplainedError(QStringLiteral("cannot move %1 to %2").arg(built.filePath(name), target), m_cannotWrite);
    }
    m_committed = true;
}
