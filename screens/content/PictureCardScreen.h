#pragma once

#include "CardScreen.h"

/// `frmbf`, the picture cards: the lesson's cards (table `fichas`) by name in a list that
/// the learner shows and hides, the chosen card's picture in `foto`, previous and next
/// through the cards, copying the picture to the clipboard and printing it.
class PictureCardScreen : public CardScreen {
    Q_OBJECT

public:
    enum PictureAction { PreviousCard = 20, NextCard = 21, ListToggle = 22 };

    explicit PictureCardScreen(Shell& shell);

    /// The message window was opened from this screen: the next activation only clears it.
    bool mensajeabierto() const { return m_mensajeabierto; }

    /// A press in the list: the list hides again and its toggle goes off.
    void ListMouseDown();

protected:
    QString cardsQuery() const override;
    QString cardName(const Recordset& card) const override;
    void loadFinished() override;
    void activated() override;
    void heldActivation() override;
    void showCard(Recordset& card) override;
    void cardAction(int accion, int index) override;
    bool listShownWhenFilled() const override { return false; }
    void listFilled() override;

private:
    /// Whether `foto` shows a card's picture that can be copied or printed.
    bool hasPicture() const;
    void moveCard(int step);
    void setListShown(bool shown);

    bool m_mensajeabierto = false;
};
