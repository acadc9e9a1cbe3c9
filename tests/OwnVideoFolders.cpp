#include "OwnVideoFolders.h"

#include "OwnVideoFiles.h"

QString OwnVideoFolders::prepare()
{
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder");
    if (const QString missing = OwnVideoFiles::missingEncoder({ QStringLiteral("libx264"), QStringLiteral("aac") }); !missing.isEmpty())
        return QStringLiteral("ffmpeg cannot make the videos: no %1").arg(missing);
    m_mp4 = folder(QStringLiteral("mp4/film.mp4"));
    OwnVideoFiles::makeMp4(m_mp4);
    return {};
}
