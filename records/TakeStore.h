#pragma once

#include <QString>
#include <QStringList>

/// The learner's saved takes of the phrases he shadowed, as WAV files in the course's own
/// learner folder: `<learner folder>/tomas/leccion-<lesson>/frase-<start ms>-<UTC date and
/// time>Z.wav`, the newest TakesKept per phrase. Nothing indexes them but their names: a
/// take is there when its file is. Takes are ordered by the time in their names, so a
/// change of time zone or summer time never reorders them (names without the "Z", from
/// earlier versions, are in local time). The files are written whole or not at all (the
/// recorder writes a temporary file and renames it), and what a take cut short by a kill
/// leaves behind is cleaned away by cleanLeftovers().
class TakeStore {
public:
    /// How many takes of one phrase are kept; the oldest goes when a new one comes.
    static constexpr int TakesKept = 5;
    static inline const QString FolderName = QStringLiteral("tomas");

    /// The store in the learner folder USER_FOLDER (as the module state keeps it).
    explicit TakeStore(QString userFolder = {});
    void setUserFolder(const QString& userFolder) { m_userFolder = userFolder; }
    /// The store's own folder.
    QString root() const;
    /// The folder of LESSON's takes.
    QString lessonFolder(int lesson) const;

    /// Where a take of LESSON's phrase starting at MSEG made now goes (not yet written):
    /// always after the takes already there, even when the clock was set back.
    QString newTakePath(int lesson, qint32 mseg) const;
    /// The takes of that phrase, newest first.
    QStringList takes(int lesson, qint32 mseg) const;
    /// Deletes the takes of that phrase beyond the newest TakesKept.
    void prune(int lesson, qint32 mseg) const;
    /// Deletes every take of that phrase; false when one could not be deleted.
    bool removeTakes(int lesson, qint32 mseg) const;
    /// Deletes every take of LESSON (and what takes cut short left of it), and its folder
    /// when that is then empty; any other file stays, and a folder that is a link to
    /// somewhere else is never followed. False when a take could not be deleted.
    bool removeLesson(int lesson) const;
    /// Deletes what takes cut short left in the store: the recorder's temporary files
    /// and takes with a broken or short file. Any other file stays. Returns how many went.
    int cleanLeftovers() const;
    /// Deletes every take of the course whose learner folder is USER_FOLDER (the map's
    /// erase button), and the folders they leave empty; false when a take could not be
    /// deleted.
    static bool eraseAll(const QString& userFolder);

    /// Whether PATH holds a complete WAV file (its header and the data it announces).
    static bool isCompleteTake(const QString& path);

private:
    QString m_userFolder;
};
