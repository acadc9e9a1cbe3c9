#pragma once

class QListWidget;
class QPoint;
class StudyAids;

/// The learner's saved takes on the phrase list: a phrase with takes is marked, and the
/// list's context menu plays any of them or deletes them.
namespace TakeMenu {

/// Marks the entries of LIST whose phrase has saved takes (and unmarks the others).
void mark(QListWidget& list, const StudyAids& aids);
/// The context menu of the entry at POS of LIST, when its phrase has takes.
void popup(QListWidget& list, StudyAids& aids, const QPoint& pos);

} // namespace TakeMenu
