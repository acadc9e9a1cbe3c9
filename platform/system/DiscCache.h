#pragma once

#include <QString>

/// The bound on the copies taken out of disc images (the cache's `discs/` folder, one
/// folder per image). A running player holds its image's folder (a shared lock on its
/// `.in-use` file), and stamps it as used; when a copy would take the folders past the
/// limit, the folders of other images used longest ago are removed first, never one a
/// running player holds.
class DiscCache {
public:
    /// The limit when the settings give none.
    static constexpr qint64 DefaultLimitMiB = 4096;

    /// DISCS is the `discs/` folder; MINE the image's own folder in it (ending in `/`);
    /// LIMIT the most bytes all of them may hold.
    DiscCache(const QString& discs, const QString& mine, qint64 limit);
    ~DiscCache();
    DiscCache(const DiscCache&) = delete;
    DiscCache& operator=(const DiscCache&) = delete;

    /// Holds the image's folder for as long as this object lives, and stamps it as used.
    /// False when the folder cannot be made.
    bool hold();

    /// Makes room for NEEDED more bytes, removing other images' folders as needed; false
    /// when they do not fit even so. written() adds what was then written.
    bool makeRoom(qint64 needed);
    void written(qint64 bytes) { m_used += bytes; }

    qint64 limit() const { return m_limit; }

    /// Whether no other running player holds the image's folder (asked as this one ends).
    bool isSoleHolder();

    /// Whether the unfinished copies (NAME.part-PID-N) count in bytesIn().
    enum class Parts { Counted, Skipped };
    /// Bytes the files under FOLDER take, each file once however many names it has.
    static qint64 bytesIn(const QString& folder, Parts parts = Parts::Counted);
    /// Removes the unfinished copies in FOLDER that nobody writes any longer (a player
    /// killed while it copied), so that they are never taken for copies of the image nor
    /// counted as such. A copy being written is locked by its writer (lockPart()).
    /// Returns how many went.
    static int removeStaleParts(const QString& folder);
    /// Locks the unfinished copy open as FD for as long as it is open.
    static bool lockPart(int fd);
    /// Whether FILE is an unfinished copy, by its name.
    static bool isPart(const QString& file);

private:
    QString m_discs;
    QString m_mine;
    qint64 m_limit = 0;
    qint64 m_used = -1; ///< all folders' bytes, counted at the first makeRoom()
    int m_lock = -1;
};
