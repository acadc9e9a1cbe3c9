#pragma once

#include <QObject>

class QFrame;
class QLabel;
class QListWidget;
class QWidget;
class Recordset;

/// The pop-up `Picture2` of the phrase list: a list entry cut short with "..." shows its
/// whole phrase in it while the pointer is over the entry; a click on it plays that phrase.
class PhrasePopup : public QObject {
    Q_OBJECT

public:
    PhrasePopup(QWidget& stage, QListWidget& list);

    QFrame* frame() const { return m_frame; }
    QLabel* text() const { return m_text; }
    /// Dresses the pop-up from its row.
    void place(const Recordset& row);
    /// Shows PHRASE of list row ROW, its top at TOP if it fits there.
    void show(const QString& phrase, int row, int top);
    void hide();
    /// The list row whose phrase the pop-up shows (-1: none).
    int row() const { return m_row; }

signals:
    /// The learner clicked the pop-up.
    void clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_stage;
    QListWidget& m_list;
    QFrame* m_frame = nullptr;
    QLabel* m_text = nullptr;
    int m_height = 0; ///< the pop-up's height as its row gives it
    int m_row = -1;
};
