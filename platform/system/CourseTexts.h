#pragma once

#include <QString>

/// What the learner (or his teacher) is told, in his language, of a course that cannot be
/// found or opened: the same words from the player and from every tool. Each names the
/// path as the user gave it, in the system's own separators.
namespace CourseTexts {

/// PATH is neither a folder nor a file.
QString folderMissing(const QString& path);

/// PATH is a file that is no disc image (a picture, a text).
QString neitherCourseNorDisc(const QString& path);

/// The folder FOLDER has no bbm.mdb.
QString contentMissing(const QString& folder);

/// The disc image IMAGE has no bbm.mdb.
QString discContentMissing(const QString& image);

/// The bbm.mdb of FOLDER cannot be opened as a course's database.
QString contentDamaged(const QString& folder);

/// The disc image IMAGE cannot be read.
QString discDamaged(const QString& image);

/// The file or folder PATH is there but this user may not read it.
QString cannotRead(const QString& path);

/// The course folder FOLDER has no inst.ini.
QString installMissing(const QString& folder);

} // namespace CourseTexts
