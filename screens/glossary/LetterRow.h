#pragma once

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QObject>
#include <vector>

class QLabel;
class QWidget;

/// The glossary's row of 27 letters, "A" to "Z" with "Ñ" after "N": one caption each,
/// placed side by side from the row's start and kept inside the window. Each letter is a
/// control of its own to assistive technology ("Letra A"); a click on one raises
/// clicked(), and the chosen letter is shown bold in the highlight colour.
class LetterRow : public QObject {
    Q_OBJECT

public:
    static constexpr int LetterCount = 27;

    explicit LetterRow(QWidget& window);

    /// Makes the letters, the first at (X, Y) of the window, in FONT, with the pointer HAND.
    void build(int x, int y, const QFont& font, const QCursor& hand);
    /// The letters, in order; empty before build().
    const std::vector<QLabel*>& letters() const { return m_letters; }
    /// Shows letter INDEX as chosen (bold, in COLOUR), every other at rest.
    void highlight(int index, const QColor& colour);

Q_SIGNALS:
    /// Letter INDEX was clicked (released with the left button).
    void clicked(int index);
    /// The pointer moved over a letter.
    void pointerMoved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Sizes every letter to its own caption and places each where the one before ends,
    /// keeping the row inside the window: the spacing narrows first, then the row starts
    /// further left, and only then the letters get smaller. No letter is ever clipped.
    void fit(QFont font);

    QWidget& m_window;
    std::vector<QLabel*> m_letters;
};
