#pragma once

#include "Screen.h"
#include "WindowDrag.h"

#include <memory>
#include <vector>

class CourseTree;
class FrameButton;
class PictureSurface;
class QLabel;
class QTreeWidgetItem;
class Recordset;

/// `frmexp`, the explorer: the whole course as a tree in a window of its own size over
/// the screen it was opened from. That screen stays in sight but takes no input while the
/// explorer is open, and keeps its own sound upkeep going. A click on a map or a lesson
/// goes there; the close button, or any of its buttons, goes back. The learner drags the
/// window by its body.
class ExplorerScreen : public Screen {
    Q_OBJECT

public:
    explicit ExplorerScreen(Shell& shell);
    ~ExplorerScreen() override;

    bool isOverlay() const override { return true; }

    QLabel* Picture1 = nullptr; ///< the window's picture
    std::vector<FrameButton*> Imagex; ///< element 0 the close button, element 1 its lit look
    CourseTree* arbol = nullptr;
    QLabel* eti = nullptr; ///< the title

    /// The collapse flag: a click that comes with a collapse (pressed before the branch
    /// closed, on its node) opens nothing. The learner's next press clears it.
    bool collapsed() const { return m_collapsed != nullptr; }

    /// A click on a node: a map or a lesson is opened, a chapter does nothing.
    void NodeClick(QTreeWidgetItem* item);
    /// Closes the explorer; the screen beneath gets its input back.
    void Unload();

protected:
    void ScreenLoad() override;
    void ScreenActivate() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    /// Esc closes the explorer, as its close button does, from the tree too.
    void keyPressEvent(QKeyEvent* event) override;
    /// Under the pointer a node's whole title (cut in the middle on the tree, so that a
    /// test's best score at its end stays seen), above what the node itself tells there.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow(const Recordset& row);
    void buildButton(const Recordset& row);
    void buildTitle(const Recordset& row);
    void lightCloseButton(bool lit);
    void traceExplorer(const char* op, int lesson = -1) const;

    std::unique_ptr<Recordset> m_lessonsTable; ///< `LessonsTable`
    const QTreeWidgetItem* m_collapsed = nullptr; ///< the node just collapsed, compared only
    WindowDrag m_drag { *this };
};
