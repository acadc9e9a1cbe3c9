#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

class QKeyEvent;
class QListWidget;
class QMouseEvent;

/// The picture list of the map, card and glossary screens: a list of text entries, each
/// drawn with the rest picture at its left, the current entry with the selected picture.
///
/// Indices run from 0 in the order entries were added; -1 means "no entry". Each entry
/// carries a 32-bit number (its item data) that stays with it.
///
/// The click() signal is the one way the screens learn that an entry was chosen:
/// - a learner's press on an entry makes it current, then raises mouseDown(), then click(),
///   once per press (also on the entry that is already current);
/// - a key that moves the current entry raises click() once per move;
/// - setListIndex() raises click() exactly like that when it changes the current entry;
///   setting the index it already has raises nothing, so a click handler may re-select
///   its own entry without calling itself again;
/// - find() and clear() never raise click().
///
/// An entry whose text does not fit is drawn cut short with "…"; its whole text shows
/// under the pointer (a tool tip), and its accessible name is the whole text.
///
/// Position, size and visibility are the QWidget's own (setGeometry, setVisible).
class PictureList : public QWidget {
    Q_OBJECT

public:
    /// The two display options set at load. Both are off by default.
    enum class DisplayOption {
        Framed = 0x1, ///< a thin frame around the list
        ScrollBar = 0x2, ///< a vertical scroll bar when the entries do not fit; without it the
                         ///< list scrolls by wheel, keys and the program only
    };
    Q_DECLARE_FLAGS(DisplayOptions, DisplayOption)

    explicit PictureList(QWidget* parent = nullptr);

    // Set once when a screen loads.

    /// The font of the entry texts; a point size of 0 or less keeps the current size.
    void setEntryFont(const QString& family, double pointSize);
    /// The pictures drawn at the left of entries at rest and of the current entry. A null
    /// pixmap draws no picture. The entry height fits the taller picture and the font.
    void setPictures(const QPixmap& rest, const QPixmap& selected);
    /// Loads both pictures from files; an empty name means no picture. Throws CourseError
    /// naming the file that cannot be loaded (the pictures are left as they were).
    void setPictureFiles(const QString& restFile, const QString& selectedFile);
    /// The background colour of the list (the course gives it as a nine-digit colour, see
    /// nineDigitColour()). Texts are drawn black on light colours and white on dark ones.
    void setColour(const QColor& colour);
    QColor colour() const { return m_colour; }
    void setDisplayOptions(DisplayOptions options);
    DisplayOptions displayOptions() const { return m_options; }

    // Entries.

    /// Removes every entry; the list index and the new index become -1. No click().
    void clear();
    /// Appends an entry with item data 0 and returns its index (= newIndex()).
    int addItem(const QString& text);
    /// Index of the entry added last since the last clear(), -1 when none.
    int newIndex() const { return m_newIndex; }
    int count() const;
    /// Text of entry INDEX; "" outside 0..count()-1.
    QString itemText(int index) const;
    /// The 32-bit number kept with entry INDEX; outside 0..count()-1 it warns and gives 0.
    qint32 itemData(int index) const;
    /// Keeps VALUE with entry INDEX; outside 0..count()-1 it warns and does nothing.
    void setItemData(int index, qint32 value);

    // Current entry.

    /// Index of the current entry, -1 when none.
    int listIndex() const { return m_current; }
    /// Makes entry INDEX current, scrolls it into view and raises click() when it was not
    /// current already. -1 leaves no entry current (no click()). Any other index outside
    /// 0..count()-1 changes nothing and returns false.
    bool setListIndex(int index);
    /// Text of the current entry, "" when none.
    QString text() const;
    /// Makes the first entry whose text starts with TEXT current and scrolls it into view,
    /// without raising click(). Matching ignores case and accents but keeps "ñ" apart from
    /// "n", as a Spanish reader does ("arbol" finds "Árbol", "ñ" finds "Ñandú", not
    /// "Nariz"); "" matches the first entry. Returns the index found, or -1 (the current
    /// entry then stays).
    int find(const QString& text);

    // Scrolling and pointing.

    /// Index of the first entry shown, -1 when the list is empty.
    int topIndex() const;
    /// Scrolls so that entry INDEX is the first shown (as far as the list can scroll);
    /// an index outside 0..count()-1 changes nothing.
    void setTopIndex(int index);
    /// Index of the entry under POINT (in this widget's coordinates, as mouseDown() and
    /// mouseMove() give them), -1 when no entry is there.
    int itemFromPoint(const QPoint& point) const;

    /// While on, the entry under the pointer is highlighted. Switching it off drops the
    /// highlight at once; it comes on again by itself when the pointer next enters the list,
    /// since the screens switch it off when the pointer has left. On at the start.
    void setHoverHighlight(bool on);
    bool hoverHighlight() const { return m_hoverHighlight; }
    /// Index of the entry drawn with the hover highlight, -1 when none.
    int hoveredIndex() const { return m_hoverRow; }

Q_SIGNALS:
    /// An entry was chosen (see the class comment for when).
    void click();
    /// A mouse button was pressed over the list at (x, y) in this widget's coordinates.
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    /// The pointer moved over the list; BUTTONS are those held down.
    void mouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Delegate;

    void makeCurrent(int index);
    void setHoverRow(int row);
    void pointerPressed(const QMouseEvent& event);
    void pointerMoved(const QMouseEvent& event);
    bool keyPressed(const QKeyEvent& event);
    void updateEntryHeight();

    QListWidget* m_list = nullptr;
    Delegate* m_delegate = nullptr;
    QColor m_colour = Qt::white;
    DisplayOptions m_options;
    int m_current = -1;
    int m_newIndex = -1;
    int m_hoverRow = -1;
    bool m_hoverHighlight = true;
    bool m_settingCurrent = false; // true while our own code moves the current entry
};

Q_DECLARE_OPERATORS_FOR_FLAGS(PictureList::DisplayOptions)
