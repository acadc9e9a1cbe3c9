#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class CourseImage;

/// The course folder (`ProgramFolder`) and the rule for the file names that the course
/// databases hold: blanks trimmed, `\` read as `/`, matched without regard to case (the
/// content was made on a system that ignores case), and never outside the folder.
/// A course played from its disc image follows the same rule inside the image, each file
/// it names made a real local file on first use (see CourseImage).
class CourseFolder {
public:
    CourseFolder() = default;
    /// FOLDER is made absolute and given its trailing `/`.
    explicit CourseFolder(const QString& folder);
    /// The course on the disc IMAGE.
    explicit CourseFolder(std::shared_ptr<const CourseImage> image);

    /// The folder, always ending in `/`; for a disc image, the image's path and a `/`.
    QString path() const { return m_path; }
    bool isEmpty() const { return m_path.isEmpty(); }
    /// What the course was given as: the folder (as path()) or the disc image file.
    QString origin() const;
    /// The disc image the course plays from; null for a folder.
    const CourseImage* image() const { return m_image.get(); }

    /// The local path of NAME inside the folder: an existing file whatever the case of
    /// its components, or, when there is none, the path as written. Throws CourseError
    /// for an empty name or one that would leave the folder (absolute, drive, `..`, or a
    /// symbolic link inside the folder that leads out of it). On a disc image, the file's
    /// copy in the cache, made now when it is not there yet (a large video or sound is not
    /// waited for: until its copy is there, the path is one the players read off the image,
    /// see DiscStreams); a file that cannot be read off the disc is an empty file, as a
    /// damaged one (the trace says why).
    QString resolve(const QString& name) const;

    /// As resolve, and throws CourseError naming the file when it does not exist, or, on a
    /// disc image, when it cannot be read off the disc (naming the image and the damage);
    /// a video or sound still being copied off the disc is there.
    QString require(const QString& name) const;

private:
    /// NAME's components inside the course, `.` and `..` taken out; throws as resolve().
    QStringList componentsOf(const QString& name) const;

    QString m_path;
    std::shared_ptr<const CourseImage> m_image;
};
