#pragma once

#include "CardScreen.h"

#include <QColor>

class QLabel;
class RichTextBox;

/// The card screens that show a text: the rich-text box `rtf` with the screen's own
/// scroll strip (`barra` with its thumb `cuadro`), the scroll buttons that repeat while
/// held (nothing for half a second, then a line every tick of `Timer1`), and copying
/// the card's plain text. A card's text is either inline, in the screen's text font,
/// or a file of its own (RTF or plain text); a missing file leaves the box empty.
class TextCardScreen : public CardScreen {
    Q_OBJECT

public:
    enum TextAction { ScrollDown = 18, ScrollUp = 19 };
    enum TextKind { TextBoxKind = 10, StripKind = 11 };
    /// Ticks of `Timer1` a scroll button is held before it repeats.
    static constexpr int HoldTicks = 5;

    TextCardScreen(Shell& shell, const QString& windowName, qint16 number);
    ~TextCardScreen() override;

    RichTextBox* rtf = nullptr;
    QLabel* barra = nullptr;
    QLabel* cuadro = nullptr;

    bool botonpulsado() const { return m_botonpulsado; }

    /// `Timer1`, every 100 ms: the screen's sound upkeep and the held scroll button.
    void CardTimer();
    /// Scrolls the text by LINES; the thumb follows when the text moved.
    bool scrollText(int lines);
    void ScrollButtonDown(int index);
    void ScrollButtonUp(int index);

protected:
    bool loadObject(int kind, const Recordset& row) override;
    void loadFinished() override;
    void buttonBuilt(int index, const Recordset& row) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void cardAction(int accion, int index) override;
    void showCard(Recordset& card) override;

    /// The background colour given to inline text.
    virtual QColor inlineTextBackground() const = 0;
    /// The card's own work once its text is shown.
    virtual void cardTextShown(Recordset& card) { Q_UNUSED(card) }
    /// Supervises the card's own sound against the background, every tick.
    virtual void superviseSound() { }
    /// Button 16.
    virtual void printCard() = 0;
    /// Tells the learner the text is on the clipboard.
    virtual void tellCopied(const QString& text) = 0;
    /// The held button INDEX is shown pressed (or no more).
    virtual void showHeld(int index, bool held) { Q_UNUSED(index) Q_UNUSED(held) }
    /// The screen's action ACCION beyond the text's own.
    virtual void textCardAction(int accion, int index) { Q_UNUSED(accion) Q_UNUSED(index) }

    void copyText();

private:
    QString m_fuentetexto;
    qint16 m_tamanotexto = 0;
    bool m_botonpulsado = false;
    qint16 m_accionpulsada = 0;
    qint16 m_ticspulsado = 0;
};
