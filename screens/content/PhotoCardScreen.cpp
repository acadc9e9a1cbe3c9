#include "PhotoCardScreen.h"

#include "FrameButton.h"
#include "ModuleState.h"
#include "PrintDialog.h"
#include "Recordset.h"
#include "RichTextBox.h"
#include "Shell.h"

PhotoCardScreen::PhotoCardScreen(Shell& shell)
    : TextCardScreen(shell, QStringLiteral("frmft"), 7)
{
}

QString PhotoCardScreen::cardsQuery() const
{
    return QStringLiteral("select * from informacion");
}

QString PhotoCardScreen::cardName(const Recordset& card) const
{
    return card.text(QStringLiteral("nombre_epigrafe"));
}

void PhotoCardScreen::activated()
{
    TextCardScreen::activated();
    shell().state().CurrentTipo = 7;
}

QColor PhotoCardScreen::inlineTextBackground() const
{
    // The box's own colour: no band shows behind the card's text.
    return rtf->backgroundColor();
}

void PhotoCardScreen::cardTextShown(Recordset& card)
{
    if (foto)
        showPhoto(card.text(QStringLiteral("bitmap_epigrafe")).trimmed(), true);
}

void PhotoCardScreen::printCard()
{
    holdingActivation([this] {
        PrintDialog frmimpft(shell(), *this, this);
        frmimpft.exec();
    });
}

void PhotoCardScreen::tellCopied(const QString& text)
{
    tellLearner(text);
}

void PhotoCardScreen::showHeld(int index, bool held)
{
    // The held button keeps its lit picture shown until it is let go.
    FrameButton* shown = Imagex.at(size_t(index));
    button(index).state = held ? LatchedState : 0;
    if (held) {
        shown->show();
        shown->raise();
    }
}
