#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

/// The folders of the own-lesson tests: one for the whole run, holding the MP4 made once by
/// ffmpeg (with its subtitles made beside it by each case), and a fresh learner folder for
/// every case.
class OwnVideoFolders {
public:
    /// Makes the MP4; the reason to skip the run when ffmpeg cannot (empty: ready).
    QString prepare();
    /// A learner folder of its own for the next case.
    void renewLearner() { m_learner = std::make_unique<QTemporaryDir>(); }

    QString folder(const QString& name) const { return m_dir.filePath(name); }
    QString root() const { return m_dir.path(); }
    QString learner() const { return m_learner->path(); }
    const QString& mp4() const { return m_mp4; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QTemporaryDir> m_learner;
    QString m_mp4;
};
