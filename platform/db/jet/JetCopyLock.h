#pragma once

#include <QString>

/// The lock beside a converted copy (the copy's name and ".lock"), which holds apart
/// every process that sees the folder, whatever its runtime folder or session: taken
/// exclusively while a copy is made, merged or set aside, or its leftovers cleared, and
/// shared for as long as a player has a learner copy open. The kernel lets go of it when
/// its holder ends, however it ends, so a crash never leaves a copy locked; the lock file
/// goes away with its last holder.
class JetCopyLock {
public:
    enum class Kind { Shared, Exclusive };
    enum class Wait { UntilFree, NotAtAll };

    /// Locks COPY. With Wait::NotAtAll, isHeld() is false when another process holds it
    /// against KIND. Throws CourseError naming COPY when the lock file cannot be made;
    /// with Kind::Shared, a folder where nothing may be written leaves the lock unheld
    /// instead: nobody can make or replace a copy there either.
    JetCopyLock(const QString& copy, Kind kind, Wait wait);
    ~JetCopyLock();
    JetCopyLock(const JetCopyLock&) = delete;
    JetCopyLock& operator=(const JetCopyLock&) = delete;

    bool isHeld() const { return m_fd >= 0; }
    /// From exclusive to shared: the copy is made and may be opened by others now.
    void share();
    /// Lets go now rather than at destruction.
    void release();

    /// The lock file of COPY.
    static QString lockFile(const QString& copy);

private:
    QString m_file;
    int m_fd = -1;
    Kind m_kind = Kind::Shared;
};
