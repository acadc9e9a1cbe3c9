#pragma once

#include "LetterRow.h"
#include "Screen.h"
#include "WindowDrag.h"

#include <QColor>
#include <QJsonObject>
#include <array>
#include <vector>

class FrameButton;
class PictureList;
class QLabel;
class Recordset;

/// `frmind`, the bilingual glossary: a window of its own size over the screen it was
/// opened from, which stays in sight but takes no input while the glossary is open. Two
/// term lists (Spanish, English), each with an entry box of the rolda library above it,
/// and a row of 27 letters. A click on a term shows its translations in the other box;
/// typing in a box moves its list to the text; a letter moves the active list. Dragged
/// by its body, closed by any of its buttons.
class GlossaryScreen : public Screen {
    Q_OBJECT

public:
    /// The programmatic identifier of the entry boxes' control.
    static constexpr const char* EntryControl = "rolda.etidesp2";
    /// What the learner is told when that control is registered nowhere: why, and what to run.
    static inline const QString UnregisteredMessage = QStringLiteral(
        "El glosario no se puede abrir: su control de texto (rolda) no está registrado. Regístralo con tools/first-run.sh "
        "(make run lo hace) o con tamsel-regcontrol y la biblioteca librolda.so.");
    /// The sides of the glossary, as ActiveSide and the object indices number them.
    enum Side : qint16 { Spanish = 0, English = 1 };

    explicit GlossaryScreen(Shell& shell);
    ~GlossaryScreen() override;

    bool isOverlay() const override { return true; }
    /// Without its entry boxes (the rolda library missing or broken) the glossary cannot
    /// open: the learner is told so in Spanish, the cause goes to the trace.
    QString refuseOpening() override;

    std::array<PictureList*, 2> lista {}; ///< the term lists; item data the term's id
    std::array<QWidget*, 2> text1 {}; ///< the entry boxes, etidesp2 controls
    std::vector<QLabel*> letra; ///< the letter index, "A" to "Z" with "Ñ" after "N"
    std::vector<FrameButton*> Imagex; ///< element 0 the close button, 1 its lit look
    std::vector<QLabel*> eti; ///< the captions

    // Screen state, named as the course names it.
    qint16 ActiveSide = Spanish;
    bool TypingSpanish = false;
    bool TypingEnglish = false;
    qint16 PressedEntry = 0;
    QString LastEnglishTranslation;
    QString LastSpanishTranslation;
    QColor LetterHighlight = Qt::black;

    /// The text of entry box SIDE.
    QString entryText(int side) const;

    /// Closes the glossary; the screen beneath gets its input back.
    void Unload();
    /// Shows the English term TERM as a click on it in the English list does (once the
    /// glossary is up, when it is still opening); false when the list has no such term.
    bool showEnglishTerm(const QString& term);

protected:
    void ScreenLoad() override;
    void ScreenActivate() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private Q_SLOTS:
    // The entry boxes' events, bound late by name as a host of the control binds them.
    void text1Change();
    void text1MouseDown();
    void text1KeyPress();

private:
    void createEntryBoxes();
    void buildWindow(const Recordset& row);
    void buildButton(const Recordset& row);
    void buildList(const Recordset& row);
    void buildEntryBox(const Recordset& row);
    void buildCaption(const Recordset& row);
    void buildLetters(const Recordset& row);
    void indice();
    void fillList(PictureList& list, const QString& table, const QString& idColumn);

    void ListaClick(int k);
    void ListaMouseDown(int k);
    void TextChange(int k);
    void TextMouseDown(int k);
    void TextKeyPress(int k);
    void LetraClick(int i);
    void lightCloseButton(bool lit);

    bool& typing(int side) { return side == Spanish ? TypingSpanish : TypingEnglish; }
    void setEntryText(int side, const QString& text);
    int sideOf(QObject* entryBox) const;
    void traceGlossary(const char* op, QJsonObject fields) const;
    QString m_termToShow; ///< asked for before the glossary was up

    QString m_failure; ///< why the entry boxes could not be made, when they could not
    bool m_unregistered = false; ///< because their control library is not registered
    WindowDrag m_drag { *this };
    LetterRow m_letters { *this };
};
