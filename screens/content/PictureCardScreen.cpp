#include "PictureCardScreen.h"

#include "FrameButton.h"
#include "ModuleState.h"
#include "PictureList.h"
#include "PictureSurface.h"
#include "PrintJob.h"
#include "Recordset.h"
#include "Shell.h"

#include <QClipboard>
#include <QGuiApplication>

PictureCardScreen::PictureCardScreen(Shell& shell)
    : CardScreen(shell, QStringLiteral("frmbf"), 5)
{
}

QString PictureCardScreen::cardsQuery() const
{
    return QStringLiteral("select * from fichas where N_leccion = %1 order by cod_ficha").arg(shell().state().CurrentLesson);
}

QString PictureCardScreen::cardName(const Recordset& card) const
{
    return card.text(QStringLiteral("nombre_ficha"));
}

void PictureCardScreen::loadFinished()
{
    CardScreen::loadFinished();
    connect(lista(), &PictureList::mouseDown, this, [this] { shell().guarded([this] { ListMouseDown(); }); });
}

void PictureCardScreen::activated()
{
    // Closing the message window opened from here must not refill the list.
    if (m_mensajeabierto) {
        m_mensajeabierto = false;
        return;
    }
    CardScreen::activated();
}

void PictureCardScreen::heldActivation()
{
    // The activation after the message window does nothing; the flag set for it goes.
    m_mensajeabierto = false;
}

void PictureCardScreen::listFilled()
{
    setListShown(false);
    if (foto) {
        foto->setPixmap(QPixmap());
        foto->show();
    }
}

void PictureCardScreen::showCard(Recordset& card)
{
    if (foto)
        showPhoto(card.text(QStringLiteral("bitmap_ficha")).trimmed(), false);
    traceCard("show", lista()->listIndex());
}

void PictureCardScreen::ListMouseDown()
{
    setListShown(false);
}

void PictureCardScreen::setListShown(bool shown)
{
    lista()->setVisible(shown);
    if (shown)
        lista()->raise();
    if (const int toggle = buttonWithAction(ListToggle)) {
        button(toggle).state = shown ? LatchedState : 0;
        Imagex[size_t(toggle)]->setVisible(shown);
    }
}

void PictureCardScreen::moveCard(int step)
{
    Recordset* card = cards();
    if (!card || card->recordCount() == 0)
        return;
    if (step < 0 ? card->isBof() : card->isEof())
        return;
    if (step < 0)
        card->movePrevious();
    else
        card->moveNext();
    // Past either end the record set stays on the card it was on: nothing changes.
    if (card->isBof()) {
        card->moveFirst();
        return;
    }
    if (card->isEof()) {
        card->moveLast();
        return;
    }
    for (int i = 0; i < lista()->count(); ++i) {
        if (lista()->itemData(i) == card->absolutePosition()) {
            lista()->setListIndex(i);
            break;
        }
    }
}

bool PictureCardScreen::hasPicture() const
{
    return foto && !foto->pixmap().isNull();
}

void PictureCardScreen::cardAction(int accion, int)
{
    switch (accion) {
    case Print:
        // With no card shown there is nothing to print, and nothing to tell.
        if (!hasPicture())
            break;
        holdingActivation([this] {
            PrintJob job(shell(), jobTitle());
            job.printPicture(foto->pixmap());
            job.finish();
        });
        break;
    case Copy: {
        if (!hasPicture())
            break; // the clipboard keeps what the learner had put there
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setImage(foto->pixmap().toImage());
        traceCard("copy", lista()->listIndex());
        m_mensajeabierto = true;
        shell().showMessage(QStringLiteral("La imagen se ha enviado al portapapeles"));
        break;
    }
    case PreviousCard: moveCard(-1); break;
    case NextCard: moveCard(1); break;
    case ListToggle: setListShown(lista()->isHidden()); break;
    default: break;
    }
}
