#pragma once

#include "OwnLessons.h"

#include <QHash>
#include <QIcon>
#include <QSet>
#include <QString>
#include <QTreeWidget>
#include <memory>

class Recordset;
class Shell;
class VisitedLessons;

/// The course as a tree of maps, chapters and lessons (`arbol`), shared by the explorer
/// and the video-learning screen. Raiz builds it from the content database's saved
/// queries "nombrenodoraiz", "capitulos" and "clecciones"; the variant decides which
/// nodes are added and which icons they get:
///   Explorer       every chapter and lesson; maps "x1", chapters "2", lessons "I<kind>".
///   VideoLearning  chapters 11 to 50 and kind-12 lessons only; root and chapters "3",
///                  lessons "x1" (not yet visited) or "2" (visited); sub-maps no icon.
/// Both add the learner's own videos, when he has any, as the lessons of the chapter
/// "Mis vídeos" ("C 30000") under the root: conversation lessons ("I12" in the explorer).
/// Node keys are a letter and a number with a sign place: "R 1" (a map), "C 11" (a
/// chapter), "N 12" (a lesson), "N-3".
///
/// Icons are named: "x1", "2" and "3" are the pictures of the tree's own row (bitmapreposo,
/// bitmapactivable, bitmapactivo), "I<kind>" the explorer's lesson-kind rows.
///
/// Signals: nodeClicked when the learner clicks a node (pressed and released on it; not
/// on its expand sign); nodeExpanded and nodeCollapsed whenever a branch opens or closes,
/// by the learner or by Raiz; pointerMoved and pointerPressed for the pointer over the
/// tree's nodes area. The screens write their own click handling on them.
class CourseTree : public QTreeWidget {
    Q_OBJECT

public:
    enum Variant { Explorer, VideoLearning };
    Q_ENUM(Variant)

    static inline const QString UnvisitedIcon = QStringLiteral("x1"); ///< also the explorer's map icon
    static inline const QString SecondIcon = QStringLiteral("2");     ///< visited or complete; the explorer's chapters
    static inline const QString ThirdIcon = QStringLiteral("3");      ///< root and chapters on video learning

    CourseTree(Shell& shell, QWidget* parent, Variant variant);
    ~CourseTree() override;

    Variant variant() const { return m_variant; }

    /// Places the tree by its `pantalla` row (objeto 16): X, Y, ancho, alto, Font,
    /// tamanofont, and its icons. Throws CourseError naming a missing picture.
    void placeFromRow(const Recordset& row);
    /// Adds the explorer's icon of one lesson kind from a `pantalla` row (objeto 12): the
    /// kind number in bitmapactivable, the picture in bitmapreposo.
    void addKindIcon(const Recordset& row);

    /// Clears the tree and builds it from the saved queries, selecting the node of
    /// CurrentLesson and opening the root when the current lesson is the home map.
    void Raiz();
    /// Video learning: gives every chapter with no unvisited lesson beneath it icon "2"
    /// (the others "3"), and the root "2" when all its chapters have it.
    void UpdateCompletionIcons();

    /// The key of a node: LETTER, then NUMBER with a blank in the place of its sign.
    static QString nodeKey(QChar letter, int number);
    /// The number in KEY after its letter (leading blanks allowed), rounded to 16 bits.
    /// Throws CourseError when there is none or it does not fit.
    static qint16 keyNumber(const QString& key);
    /// The key of ITEM ("" for nullptr).
    static QString key(const QTreeWidgetItem* item);

    /// The node with KEY, nullptr when there is none.
    QTreeWidgetItem* node(const QString& key) const { return m_nodes.value(key); }
    /// How many nodes the last Raiz made.
    int nodeCount() const { return int(m_nodes.size()); }

    /// Gives ITEM the icon named ICON ("" for none); throws CourseError for an unknown name.
    void setNodeIcon(QTreeWidgetItem* item, const QString& icon);
    /// The name of ITEM's icon, "" when it has none.
    static QString nodeIcon(const QTreeWidgetItem* item);
    /// True when the rows gave the tree an icon named ICON.
    bool hasIcon(const QString& icon) const { return m_icons.contains(icon); }

    /// Scrolls the selected node into view, opening its branch.
    void showSelectedNode();

    /// The learner's register of visited lessons, opened on first use (video learning).
    VisitedLessons& visitedLessons();

Q_SIGNALS:
    void nodeClicked(QTreeWidgetItem* item);
    void nodeExpanded(QTreeWidgetItem* item);
    void nodeCollapsed(QTreeWidgetItem* item);
    /// The pointer moved to POS (in the tree's nodes area).
    void pointerMoved(const QPoint& pos);
    void pointerPressed(Qt::MouseButton button, const QPoint& pos);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    /// The learner's lessons under numbers the course uses itself get new ones (visits too).
    void settleOwnNumbers();
    /// Adds a node under the node PARENTKEY (none for an empty key); returns nullptr and
    /// reports it when the parent or the key is wrong, or silently when the variant left
    /// the parent out.
    QTreeWidgetItem* addNode(const QString& parentKey, const QString& key, const QString& text, const QString& icon, int lesson);
    QIcon rowIcon(const Recordset& row, const QString& column) const;
    void traceTree(const QString& op, const QString& key, int lesson);
    QString variantName() const;
    /// True when ITEM has no lesson left unvisited beneath it; sets its chapters' icons on the way.
    bool markComplete(QTreeWidgetItem* item);
    /// Selects ITEM, the node of the current lesson.
    void selectCurrent(QTreeWidgetItem* item);
    /// Adds the chapter "Mis vídeos" with the learner's lessons OWN (nothing when there are none).
    void addOwnLessons(const QList<OwnLessons::Lesson>& own);
    /// The explorer's node of test LESSON: the best score beside its name, the learner's
    /// attempts under the pointer.
    void showAttempts(QTreeWidgetItem* item, qint16 lesson);

    Shell& m_shell;
    Variant m_variant = Explorer;
    QHash<QString, QIcon> m_icons;
    QHash<QString, QTreeWidgetItem*> m_nodes;
    QSet<QString> m_leftOut; ///< keys of nodes the variant leaves out, during Raiz
    std::unique_ptr<VisitedLessons> m_visited;
};
