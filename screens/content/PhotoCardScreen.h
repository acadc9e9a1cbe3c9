#pragma once

#include "TextCardScreen.h"

/// `frmft`, the photo-text cards: the information cards with a photograph per card in
/// `foto` instead of a sound. Printing asks what to print (the card, every card of the
/// lesson, or the picture); copying tells the learner in the program's message window.
/// A card whose photograph is missing still shows its text.
class PhotoCardScreen : public TextCardScreen {
    Q_OBJECT

public:
    explicit PhotoCardScreen(Shell& shell);

    /// The name of a print job of the card shown: "lesson - card".
    QString printTitle() const { return jobTitle(); }

protected:
    QString cardsQuery() const override;
    QString cardName(const Recordset& card) const override;
    void activated() override;
    QColor inlineTextBackground() const override;
    void cardTextShown(Recordset& card) override;
    void printCard() override;
    void tellCopied(const QString& text) override;
    void showHeld(int index, bool held) override;
};
