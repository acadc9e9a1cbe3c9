#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

/// An output folder written whole or not at all: what is made goes into a scratch folder
/// inside it and is moved into place by commit(); destroyed before, it leaves the output as
/// it was (and none at all when there was none).
class StagedFolder {
public:
    /// Makes OUTPUT (when it is not there) and the scratch folder in it; throws
    /// ExplainedError with CANNOT_WRITE, the user's words, when either cannot be made.
    StagedFolder(const QString& output, const QString& cannotWrite);
    ~StagedFolder();
    StagedFolder(const StagedFolder&) = delete;
    StagedFolder& operator=(const StagedFolder&) = delete;

    /// Where to write.
    QString path() const { return m_staging->path(); }

    /// Moves everything written into the output, replacing what had the same names.
    void commit();

private:
    QString m_output;
    QString m_cannotWrite;
    bool m_existed = false;
    bool m_committed = false;
    std::unique_ptr<QTemporaryDir> m_staging;
};
