#pragma once

#include <QString>

/// The course folder (`ProgramFolder`) and the rule for the file names that the course
/// databases hold: blanks trimmed, `\` read as `/`, matched without regard to case (the
/// content was made on a system that ignores case), and never outside the folder.
class CourseFolder {
public:
    CourseFolder() = default;
    /// FOLDER is made absolute and given its trailing `/`.
    explicit CourseFolder(const QString& folder);

    /// The folder, always ending in `/`.
    QString path() const { return m_path; }
    bool isEmpty() const { return m_path.isEmpty(); }

    /// The local path of NAME inside the folder: an existing file whatever the case of
    /// its components, or, when there is none, the path as written. Throws CourseError
    /// for an empty name or one that would leave the folder (absolute, drive, `..`, or a
    /// symbolic link inside the folder that leads out of it).
    QString resolve(const QString& name) const;

    /// As resolve, and throws CourseError naming the file when it does not exist.
    QString require(const QString& name) const;

private:
    QString m_path;
};
