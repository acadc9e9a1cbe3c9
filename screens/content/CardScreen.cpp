#include "CardScreen.h"

#include "CourseError.h"
#include "HelpOverlay.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "PictureList.h"
#include "PictureSurface.h"
#include "Recordset.h"
#include "Shell.h"
#include "Trace.h"

#include <QJsonObject>
#include <QLabel>

CardScreen::CardScreen(Shell& shell, const QString& windowName, qint16 number)
    : FramedScreen(shell, windowName, number)
{
}

CardScreen::~CardScreen() = default;

bool CardScreen::loadObject(int kind, const Recordset& row)
{
    switch (kind) {
    case VolumeKind:
        placeVolumePanel(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))));
        return true;
    case PictureKind:
        foto = new PictureSurface(this);
        foto->setObjectName(QStringLiteral("foto"));
        foto->setGeometry(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))),
            int(row.number(QStringLiteral("ancho"))), int(row.number(QStringLiteral("alto"))));
        foto->setScaledContents(true);
        connect(foto, &PictureSurface::moved, this, [this](int x, int y) {
            this->shell().guarded([&] { BackgroundMouseMove(foto->x() + x, foto->y() + y); });
        });
        return true;
    default: return false;
    }
}

void CardScreen::loadFinished()
{
    if (!pictureList)
        throw CourseError(QStringLiteral("pantalla: screen %1 has no card list (objeto 6)").arg(number()));
    pictureList->setObjectName(QStringLiteral("lista"));
    pictureList->hide();
    connect(pictureList, &PictureList::click, this, [this] { shell().guarded([this] { ListClick(); }); });
    connect(pictureList, &PictureList::mouseMove, this,
        [this](Qt::MouseButtons held, Qt::KeyboardModifiers, int x, int y) { shell().guarded([&] { ListMouseMove(held, x, y); }); });
}

void CardScreen::activated()
{
    ShowSoundButtonState();
    pictureList->setHoverHighlight(false);
    FillList();
}

void CardScreen::FillList()
{
    ModuleState& state = shell().state();
    pictureList->hide();
    pictureList->clear();
    auto lessons = state.ContentDb->openRecordset(QStringLiteral("lecciones"));
    m_title = lessons->findFirst(QStringLiteral("N_leccion = %1").arg(state.CurrentLesson)) ? lessons->text(QStringLiteral("nombre_leccion")) : QString();
    if (!Labels.empty())
        Labels.front()->setText(m_title);
    m_cards = state.ContentDb->openRecordset(cardsQuery());
    for (m_cards->moveFirst(); !m_cards->isEof(); m_cards->moveNext())
        pictureList->setItemData(pictureList->addItem(cardName(*m_cards)), m_cards->absolutePosition());
    traceCard("list", pictureList->count());
    listFilled();
    if (listShownWhenFilled())
        pictureList->show();
    pictureList->setListIndex(pictureList->count() > 0 ? 0 : -1);
}

void CardScreen::ListClick()
{
    const int index = pictureList->listIndex();
    if (index < 0 || !m_cards)
        return;
    m_cards->setAbsolutePosition(pictureList->itemData(index));
    showCard(*m_cards);
}

void CardScreen::ListMouseMove(Qt::MouseButtons held, int x, int y)
{
    if (held != Qt::NoButton) {
        m_ultimoapuntado = 0;
        return;
    }
    const int item = pictureList->itemFromPoint(QPoint(x, y));
    if (item >= 0 && item <= pictureList->count() - 1 && item != m_ultimoapuntado)
        pictureList->setListIndex(item);
    m_ultimoapuntado = item;
}

void CardScreen::dropListHighlight()
{
    if (pictureList)
        pictureList->setHoverHighlight(false);
}

void CardScreen::ButtonClick(int index)
{
    ModuleState& state = shell().state();
    const int accion = buttons().at(size_t(index)).accion;
    switch (accion) {
    case EndProgram:
        stopCardMedia();
        state.Quitting = true;
        shell().navigator().SwitchScreen(this, QStringLiteral("frmc"));
        break;
    case SoundOnOff: ToggleBackgroundSound(); break;
    case ShowVolume:
        volumen->show();
        volumen->raise();
        break;
    case Up:
        stopCardMedia();
        shell().navigator().OpenParentLesson(this);
        break;
    case Help:
        stopCardMedia();
        HelpOverlay::open(shell(), *this);
        break;
    default: cardAction(accion, index); break;
    }
}

QString CardScreen::jobTitle() const
{
    return QStringLiteral("%1 - %2").arg(m_title, pictureList->text());
}

bool CardScreen::showPhoto(const QString& path, bool ownSize)
{
    foto->setPixmap(QPixmap());
    try {
        foto->setPixmap(loadPicture(path));
    } catch (const CourseError& error) {
        // The card's text still shows; the trace tells which picture was missing.
        shell().trace().event("card", { { QStringLiteral("op"), QStringLiteral("missing") }, { QStringLiteral("screen"), number() },
                                          { QStringLiteral("file"), error.message() } });
        return false;
    }
    if (ownSize)
        foto->resize(foto->pixmap().size());
    foto->show();
    return true;
}

void CardScreen::holdingActivation(const std::function<void()>& work)
{
    ModuleState& state = shell().state();
    const bool held = state.ActivationHold;
    state.ActivationHold = true;
    try {
        work();
    } catch (...) {
        state.ActivationHold = held;
        throw;
    }
    state.ActivationHold = held;
}

void CardScreen::tellLearner(const QString& text)
{
    holdingActivation([&] { shell().showMessage(text); });
}

void CardScreen::traceCard(const char* op, int index) const
{
    shell().trace().event("card", { { QStringLiteral("op"), QString::fromLatin1(op) }, { QStringLiteral("screen"), number() },
                                      { QStringLiteral("index"), index } });
}
