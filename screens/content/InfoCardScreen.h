#pragma once

#include "TextCardScreen.h"

#include <memory>

class MediaPlayer;
class QTimer;
class TimedPictures;

/// `frmcft`, the information cards: the lesson's cards (table `informacion`) listed by
/// heading, the chosen card's text in the box, and the card's sound with its timed
/// pictures in `foto`, driven as on the carousel. While the card's sound plays the
/// background sound waits; it comes back when the card's sound stops, unless the learner
/// switched it off or opened the help from here.
class InfoCardScreen : public TextCardScreen {
    Q_OBJECT

public:
    enum SoundAction { Play = 5, Stop = 6, ToStart = 7, ToEnd = 8, NextPicture = 9, PreviousPicture = 10, Pause = 11 };

    explicit InfoCardScreen(Shell& shell);
    ~InfoCardScreen() override;

    QTimer* Timer2 = nullptr; ///< the picture clock
    MediaPlayer& sonido() const { return *m_sonido; }
    TimedPictures& pictures() const { return *m_clock; }
    bool ayudaabierta() const { return m_ayudaabierta; }

    /// A press in the list: the chosen card's sound and pictures are made ready (not played).
    void LoadCardSound();

protected:
    QString cardsQuery() const override;
    QString cardName(const Recordset& card) const override;
    void loadFinished() override;
    void activated() override;
    void ButtonClick(int index) override;
    void textCardAction(int accion, int index) override;
    QColor inlineTextBackground() const override { return Qt::white; }
    void superviseSound() override;
    void printCard() override;
    void tellCopied(const QString& text) override;
    void stopCardMedia() override;
    void screenShown() override;
    void screenLeft() override;

private:
    void showEntry(int index);

    std::unique_ptr<MediaPlayer> m_sonido;
    TimedPictures* m_clock = nullptr;
    bool m_ayudaabierta = false;
    /// The list's data of the card whose sound and pictures are ready (-1: none).
    int m_soundCard = -1;
};
