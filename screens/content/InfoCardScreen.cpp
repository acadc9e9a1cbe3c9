#include "InfoCardScreen.h"

#include "CourseError.h"
#include "ErrorReport.h"
#include "HelpOverlay.h"
#include "MediaPlayer.h"
#include "ModuleState.h"
#include "PictureList.h"
#include "PictureSurface.h"
#include "PrintJob.h"
#include "Recordset.h"
#include "RichTextBox.h"
#include "Shell.h"
#include "SoundChannels.h"
#include "TimedPictures.h"
#include "Trace.h"

#include <QJsonObject>
#include <QMessageBox>
#include <QTimer>

InfoCardScreen::InfoCardScreen(Shell& shell)
    : TextCardScreen(shell, QStringLiteral("frmcft"), 6)
    , m_sonido(std::make_unique<MediaPlayer>())
    , m_clock(new TimedPictures(*m_sonido, [this](int index) { showEntry(index); }, this))
{
    Timer2 = m_clock->Timer2;
    m_sonido->setTrace(&shell.trace(), QStringLiteral("card"));
    connect(Timer2, &QTimer::timeout, this, [this] { this->shell().guarded([this] { m_clock->tick(); }); });
}

InfoCardScreen::~InfoCardScreen() = default;

QString InfoCardScreen::cardsQuery() const
{
    return QStringLiteral("select * from informacion ");
}

QString InfoCardScreen::cardName(const Recordset& card) const
{
    return card.text(QStringLiteral("nombre_epigrafe"));
}

void InfoCardScreen::loadFinished()
{
    TextCardScreen::loadFinished();
    connect(lista(), &PictureList::mouseDown, this, [this] { shell().guarded([this] { LoadCardSound(); }); });
}

void InfoCardScreen::activated()
{
    m_ayudaabierta = false;
    TextCardScreen::activated();
    // The list is filled again on its first card; a card whose sound and pictures were
    // chosen before is shown again instead, so that its text, its picture and its sound
    // come back together as they were, never another card's picture beside this text.
    for (int i = 0; m_soundCard >= 0 && i < lista()->count(); ++i) {
        if (lista()->itemData(i) == m_soundCard) {
            lista()->setListIndex(i);
            return;
        }
    }
    // On the first entry the first card comes whole: its text, its sound ready for the
    // play button, and its first picture, not an empty frame until another card is pressed.
    LoadCardSound();
}

void InfoCardScreen::LoadCardSound()
{
    Recordset* card = cards();
    if (!card || lista()->listIndex() < 0)
        return;
    m_clock->clear();
    m_sonido->release();
    if (foto)
        foto->hide(); // a card without pictures shows none, not the last card's
    m_soundCard = lista()->itemData(lista()->listIndex());
    card->setAbsolutePosition(m_soundCard);
    const QString sound = card->text(QStringLiteral("nombre_fichero1")).trimmed();
    try {
        if (!sound.isEmpty())
            m_sonido->render(shell().state().Folder.resolve(sound));
    } catch (const CourseError& error) {
        // A card without its sound still shows its text and pictures.
        shell().trace().event("card", { { QStringLiteral("op"), QStringLiteral("missing") }, { QStringLiteral("screen"), number() },
                                          { QStringLiteral("file"), error.message() } });
    }
    m_clock->load(*shell().state().ContentDb, qint16(card->number(QStringLiteral("cod_wav_epigrafe"))));
    if (foto && !m_clock->imagenes().empty())
        foto->show();
    traceCard("sound", lista()->listIndex());
}

void InfoCardScreen::showEntry(int index)
{
    if (foto)
        showPhoto(m_clock->imagenes().at(size_t(index)).ficheroimagen.trimmed(), false);
}

void InfoCardScreen::superviseSound()
{
    // The background waits while the card speaks; errors here are the player's, not ours.
    try {
        ModuleState& state = shell().state();
        m_sonido->completed(0);
        // Only a change is made (and traced), not the same order every tick.
        SoundChannels& sounds = shell().sounds();
        const bool running = sounds.backgroundState() == MediaPlayer::State::Running;
        if (m_sonido->state() != MediaPlayer::State::Stopped) {
            if (running)
                sounds.pauseBackground();
        } else if (state.BackgroundSoundOn && !m_ayudaabierta && !running) {
            sounds.startBackground();
        }
    } catch (const CourseError&) {
    }
}

void InfoCardScreen::ButtonClick(int index)
{
    // Back from the help the background stays quiet until the learner asks for it.
    if (buttons().at(size_t(index)).accion == Help)
        m_ayudaabierta = true;
    TextCardScreen::ButtonClick(index);
}

void InfoCardScreen::textCardAction(int accion, int)
{
    if (m_sonido->file().isEmpty())
        return; // no card sound chosen yet
    m_clock->soundAction(accion);
}

void InfoCardScreen::printCard()
{
    holdingActivation([this] {
        PrintJob job(shell(), jobTitle());
        job.PrintRichText(*rtf, 1440, 1440, 600, 500);
        job.finish();
    });
}

void InfoCardScreen::tellCopied(const QString& text)
{
    shell().trace().event("message", { { QStringLiteral("text"), text } });
    QMessageBox box(QMessageBox::NoIcon, ErrorReport::programTitle(), text, QMessageBox::Ok, this);
    box.exec();
}

void InfoCardScreen::stopCardMedia()
{
    m_sonido->stop();
}

void InfoCardScreen::screenShown()
{
    TextCardScreen::screenShown();
    // Back on the screen (from the help, or from another lesson) the card's sound is still
    // the one chosen last: its pictures and its end are watched again, as before leaving.
    if (isLoaded() && !m_sonido->file().isEmpty())
        Timer2->start(TimedPictures::PeriodMs);
}

void InfoCardScreen::screenLeft()
{
    Timer2->stop();
    if (isLoaded())
        m_sonido->stop();
    TextCardScreen::screenLeft();
}
