#pragma once

#include "FramedScreen.h"

#include <functional>
#include <memory>

class PictureSurface;
class Recordset;

/// What the three card screens share beside the frame: the card list `lista` with its
/// hover selection, the picture `foto`, the volume strip placed by its row, the lesson's
/// title, and the buttons to end the program, switch the background sound, show the
/// volume, go up to the parent lesson and open the help.
class CardScreen : public FramedScreen {
    Q_OBJECT

public:
    enum SharedAction { EndProgram = 2, SoundOnOff = 3, ShowVolume = 4, Up = 15, Print = 16, Copy = 17, Help = 23 };
    enum CardKind { VolumeKind = 4, PictureKind = 14 };

    CardScreen(Shell& shell, const QString& windowName, qint16 number);
    ~CardScreen() override;

    PictureSurface* foto = nullptr;
    PictureList* lista() const { return pictureList; }
    /// The list entry last found under the pointer.
    qint32 ultimoapuntado() const { return m_ultimoapuntado; }

    /// The learner chose entry listIndex() of `lista`: its card is shown.
    void ListClick();
    /// The pointer moved over `lista`: with no button held, the entry under it is chosen.
    void ListMouseMove(Qt::MouseButtons buttons, int x, int y);

protected:
    bool loadObject(int kind, const Recordset& row) override;
    void loadFinished() override;
    void activated() override;
    void ButtonClick(int index) override;
    void dropListHighlight() override;

    /// The query of the cards, in list order.
    virtual QString cardsQuery() const = 0;
    /// The heading of the card in the current row.
    virtual QString cardName(const Recordset& card) const = 0;
    /// Shows the card in the current row of cards().
    virtual void showCard(Recordset& card) = 0;
    /// The screen's own action ACCION (button INDEX).
    virtual void cardAction(int accion, int index) = 0;
    /// Stops the screen's own sound before the help or the parent lesson.
    virtual void stopCardMedia() { }
    /// The list has been filled.
    virtual void listFilled() { }
    /// The list is shown once it has been filled.
    virtual bool listShownWhenFilled() const { return true; }

    Recordset* cards() const { return m_cards.get(); }
    /// The name of a print job or file: the lesson and the card.
    QString jobTitle() const;
    /// Shows PATH (relative to the course folder) in `foto`; false, leaving `foto` empty,
    /// when the picture cannot be loaded.
    bool showPhoto(const QString& path, bool ownSize);
    /// Runs WORK (a modal window, a print job that may tell the learner something) with
    /// `ActivationHold` set, so that the activation that follows the window's closing
    /// does not refill the list.
    void holdingActivation(const std::function<void()>& work);
    /// Shows TEXT in the program's message window.
    void tellLearner(const QString& text);
    void traceCard(const char* op, int index) const;

private:
    void FillList();

    std::unique_ptr<Recordset> m_cards;
    QString m_title;
    qint32 m_ultimoapuntado = 0;
};
