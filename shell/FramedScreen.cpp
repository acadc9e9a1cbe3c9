#include "FramedScreen.h"

#include "CourseError.h"
#include "FrameButton.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "NineDigitColour.h"
#include "PictureList.h"
#include "PictureSurface.h"
#include "Recordset.h"
#include "Shell.h"
#include "SoundChannels.h"
#include "Trace.h"

#include <QFrame>
#include <QCursor>
#include <QJsonObject>
#include <QListWidget>
#include <QSlider>
#include <QTimer>

namespace {

constexpr int volumePanelWidth = 34;
constexpr int volumePanelHeight = 120;

} // namespace

void ToggleWindowBorder(QWidget& control)
{
    auto* frame = qobject_cast<QFrame*>(&control);
    if (!frame)
        return;
    const bool visible = frame->isVisible();
    frame->setFrameShape(frame->frameShape() == QFrame::NoFrame ? QFrame::Box : QFrame::NoFrame);
    // Hidden and shown again so that the new frame is drawn.
    if (visible) {
        frame->hide();
        frame->show();
    }
}

FramedScreen::FramedScreen(Shell& shell, const QString& windowName, qint16 number)
    : Screen(shell, windowName, number)
    , Picture1(new PictureSurface(this))
    , Timer1(new QTimer(this))
{
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(rect());
    connect(Picture1, &PictureSurface::moved, this, [this](int x, int y) { this->shell().guarded([&] { BackgroundMouseMove(x, y); }); });
    connect(Timer1, &QTimer::timeout, this, &FramedScreen::SoundTimer);
}

QString FramedScreen::pantallaQuery() const
{
    return QStringLiteral("select * from pantalla where codigo = %1 order by objeto").arg(number());
}

void FramedScreen::showBackground(const QString& name)
{
    Picture1->setPixmap(loadPicture(name));
    Picture1->resize(Picture1->pixmap().size());
}

QPixmap FramedScreen::transitionPicture()
{
    ensureLoaded();
    return Picture1->pixmap();
}

void FramedScreen::ScreenLoad()
{
    // The volume panel and its slider: 0 (full) to 2000 hundredths of a decibel below it.
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    volumen = panel;
    volumen->setObjectName(QStringLiteral("volumen"));
    volumen->setAutoFillBackground(true);
    QPalette light = volumen->palette(); // a light panel over any screen, dark or light
    light.setColor(QPalette::Window, QColor(250, 244, 228));
    light.setColor(QPalette::Button, QColor(250, 244, 228));
    volumen->setPalette(light);
    volumen->resize(volumePanelWidth, volumePanelHeight);
    Slider1 = new QSlider(Qt::Vertical, volumen);
    Slider1->setObjectName(QStringLiteral("Slider1"));
    Slider1->setRange(0, 2000);
    Slider1->setSingleStep(20);
    Slider1->setPageStep(100);
    Slider1->setInvertedAppearance(true); // up is louder
    Slider1->setGeometry(volumen->rect().adjusted(6, 6, -6, -6));
    connect(Slider1, &QSlider::valueChanged, this, &FramedScreen::VolumeChange);
    volumen->hide();

    m_buttons.assign(1, ButtonRecord {});
    m_nextButton = 1;
    Imagex.assign(1, new FrameButton(0, buttonParent()));
    Timer1->start(100);

    auto rows = shell().state().ContentDb->openRecordset(pantallaQuery());
    for (; !rows->isEof(); rows->moveNext()) {
        if (takeRow(int(rows->number(QStringLiteral("objeto"))), *rows))
            continue;
        switch (rows->number(QStringLiteral("objeto"))) {
        case 0: buildBackground(*rows); break;
        case 5: buildButton(*rows); break;
        case 8: buildNavList(*rows); break;
        case 6: buildPictureList(*rows); break;
        case 9:
            if (!loadTextObject(*rows))
                buildLabel(*rows);
            break;
        case 17: buildNavBox(*rows); break;
        default: loadObject(int(rows->number(QStringLiteral("objeto"))), *rows); break;
        }
    }
    Imagex.front()->hide();
    loadFinished();
}

bool FramedScreen::loadObject(int, const Recordset&)
{
    return false; // a kind this screen does not know is skipped
}

QWidget* FramedScreen::buttonParent() const
{
    return Picture1;
}

void FramedScreen::buildBackground(const Recordset& row)
{
    setBackdrop(row.number(QStringLiteral("identificativo")) == 0 ? Qt::black : Qt::white);
    const QString picture = row.text(QStringLiteral("bitmapreposo"));
    if (!picture.trimmed().isEmpty())
        showBackground(picture);
    Picture1->move(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))));
    Picture1->show();
}

void FramedScreen::buildButton(const Recordset& row)
{
    auto* button = new FrameButton(m_nextButton, buttonParent());
    button->setObjectName(QStringLiteral("Imagex%1").arg(m_nextButton));
    button->setCursor(handCursor());
    button->move(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))));
    button->setPixmap(loadPicture(row.text(QStringLiteral("bitmapactivable"))));
    button->resize(button->pixmap().size());
    connect(button, &FrameButton::moved, this, [this](int index) { shell().guarded([&] { ButtonMouseMove(index); }); });
    connect(button, &FrameButton::clicked, this, [this](int index) {
        const ButtonRecord& record = m_buttons.at(size_t(index));
        shell().trace().event("button",
            { { QStringLiteral("window"), windowName() }, { QStringLiteral("index"), index }, { QStringLiteral("accion"), record.accion } });
        shell().guarded([&] { ButtonClick(index); });
    });
    Imagex.push_back(button);
    RegisterButton(button, row);
    buttonBuilt(int(Imagex.size()) - 1, row);
}

ButtonRecord ButtonRecord::of(const QWidget& button, const Recordset& row)
{
    ButtonRecord record;
    record.left = qint16(button.x());
    record.right = qint16(button.x() + button.width());
    record.top = qint16(button.y());
    record.bottom = qint16(button.y() + button.height());
    record.accion = qint16(row.number(QStringLiteral("accion")));
    return record;
}

void FramedScreen::RegisterButton(FrameButton* button, const Recordset& row)
{
    m_buttons.push_back(ButtonRecord::of(*button, row));
    ++m_nextButton;
}

void FramedScreen::placeVolumePanel(int x, int y)
{
    volumen->move(x, y);
}

void FramedScreen::buildNavBox(const Recordset& row)
{
    CajaNav = new PixelLabel(this);
    CajaNav->setObjectName(QStringLiteral("CajaNav"));
    CajaNav->setPixmap(loadPicture(row.text(QStringLiteral("bitmapreposo"))));
    CajaNav->resize(CajaNav->pixmap().size());
    CajaNav->move(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))));
    CajaNav->hide();
    if (listanav)
        listanav->setParent(CajaNav);
}

void FramedScreen::buildNavList(const Recordset& row)
{
    // The list lies inside the navigation box; without one it lies on the screen.
    listanav = new QListWidget(CajaNav ? static_cast<QWidget*>(CajaNav) : this);
    listanav->setObjectName(QStringLiteral("listanav"));
    listanav->move(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))));
    QFont font(row.text(QStringLiteral("Font")));
    if (const double points = row.value(QStringLiteral("tamanofont")).toDouble(); points > 0)
        font.setPointSizeF(points);
    listanav->setFont(font);
    listanav->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    listanav->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    listanav->setCursor(Qt::PointingHandCursor);
    shell().navigator().FillNavList(*listanav);
    ToggleWindowBorder(*listanav);
    QString colour = row.text(QStringLiteral("bitmapreposo"));
    if (colour.trimmed().isEmpty())
        colour = row.text(QStringLiteral("bitmapactivo"));
    if (!colour.trimmed().isEmpty()) {
        QPalette p = listanav->palette();
        p.setColor(QPalette::Base, nineDigitColour(colour));
        listanav->setPalette(p);
    }
    listanav->resize(int(row.number(QStringLiteral("ancho"))), shell().state().NavListHeight);
    connect(listanav, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { shell().guarded([&] { NavListClick(item); }); });
}

QLabel* FramedScreen::buildLabel(const Recordset& row)
{
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("Label%1").arg(Labels.size() + 1));
    label->setGeometry(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))),
        int(row.number(QStringLiteral("ancho"))), int(row.number(QStringLiteral("alto"))));
    QFont font(row.text(QStringLiteral("Font")));
    if (const double points = row.value(QStringLiteral("tamanofont")).toDouble(); points > 0)
        font.setPointSizeF(points);
    label->setFont(font);
    label->setWordWrap(true);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, row.number(QStringLiteral("colorfont")) == 0 ? Qt::black : Qt::white);
    label->setPalette(p);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    Labels.push_back(label);
    return label;
}

void FramedScreen::buildPictureList(const Recordset& row)
{
    pictureList = new PictureList(this);
    pictureList->setGeometry(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))),
        int(row.number(QStringLiteral("ancho"))), int(row.number(QStringLiteral("alto"))));
    pictureList->setEntryFont(row.text(QStringLiteral("Font")), row.value(QStringLiteral("tamanofont")).toDouble());
    const auto picture = [this](const QString& name) { return name.trimmed().isEmpty() ? QPixmap() : loadPicture(name); };
    pictureList->setPictures(picture(row.text(QStringLiteral("bitmapreposo"))), picture(row.text(QStringLiteral("bitmapactivable"))));
    const QString colour = row.text(QStringLiteral("bitmapactivo"));
    if (!colour.trimmed().isEmpty())
        pictureList->setColour(nineDigitColour(colour));
}

int FramedScreen::buttonWithAction(int accion) const
{
    for (size_t i = 1; i < m_buttons.size(); ++i) {
        if (m_buttons[i].accion == accion)
            return int(i);
    }
    return 0;
}

bool FramedScreen::buttonMayLight(int) const
{
    return true;
}

void FramedScreen::ButtonMouseMove(int index)
{
    if (CajaNav && CajaNav->isHidden() && m_buttons.at(size_t(index)).accion == 14) {
        CajaNav->show();
        CajaNav->raise();
        if (listanav)
            listanav->raise();
    }
}

void FramedScreen::BackgroundMouseMove(int x, int y)
{
    if (CajaNav)
        CajaNav->hide();
    volumen->hide();
    dropListHighlight();
    for (size_t i = 1; i < m_buttons.size(); ++i) {
        FrameButton* button = Imagex[i];
        if (m_buttons[i].contains(x, y) && button->isHidden() && buttonMayLight(int(i))) {
            aboutToLight(int(i));
            shell().sounds().startClickSound();
            button->show();
            button->raise();
            // A window shown under the pointer hears the pointer move there (as the course's
            // platform tells it); Qt tells it nothing until the pointer moves again, and an
            // arrival in one step ("Ir a" reached by a tap) would leave the box closed.
            ButtonMouseMove(int(i));
        } else if (m_buttons[i].state == 0) {
            button->hide();
        }
    }
}

void FramedScreen::pointerSettled()
{
    QWidget* parent = buttonParent();
    if (!isLoaded() || !parent)
        return;
    // A button left lit when the screen was left would stay so; one under a pointer that
    // has not moved since would take no click, the background under it taking it instead.
    const QPoint at = parent->mapFromGlobal(QCursor::pos());
    const bool inside = parent->rect().contains(at);
    for (size_t i = 1; i < m_buttons.size(); ++i) {
        if (m_buttons[i].state != 0)
            continue;
        FrameButton* button = Imagex[i];
        if (inside && m_buttons[i].contains(at.x(), at.y()) && buttonMayLight(int(i))) {
            if (button->isHidden())
                aboutToLight(int(i));
            button->show();
            button->raise();
        } else {
            button->hide();
        }
    }
}

void FramedScreen::NavListClick(QListWidgetItem* item)
{
    if (CajaNav)
        CajaNav->hide();
    shell().navigator().RunNavAction(item->data(Qt::UserRole).toInt(), shell().state().CurrentScreen);
}

void FramedScreen::VolumeChange(int value)
{
    SoundChannels& sounds = shell().sounds();
    sounds.setBackgroundVolume(-value);
    shell().state().Volume = qint16(sounds.backgroundVolume());
}

void FramedScreen::SoundTimer()
{
    shell().sounds().SoundTimer();
}

void FramedScreen::ShowSoundButtonState()
{
    const int index = buttonWithAction(SoundButton);
    if (index == 0)
        return;
    if (!shell().state().BackgroundSoundOn) {
        button(index).state = LatchedState;
        Imagex[size_t(index)]->show();
    } else {
        button(index).state = 0;
        Imagex[size_t(index)]->hide();
    }
}

void FramedScreen::ToggleBackgroundSound()
{
    ModuleState& state = shell().state();
    if (state.BackgroundSoundOn) {
        shell().sounds().pauseBackground();
        state.BackgroundSoundOn = false;
    } else {
        shell().sounds().restartBackground();
        state.BackgroundSoundOn = true;
    }
    ShowSoundButtonState();
    shell().trace().event("sound_button", { { QStringLiteral("on"), state.BackgroundSoundOn } });
}

void FramedScreen::ButtonClick(int)
{
}

void FramedScreen::refreshNavList()
{
    if (!listanav)
        return;
    shell().navigator().FillNavList(*listanav);
    listanav->resize(listanav->width(), shell().state().NavListHeight);
}

bool FramedScreen::activationHeld(Activation cause) const
{
    // The screen beneath the explorer or the glossary went on while they lay over it
    // (its sounds, its track, its card): closing them gives it back as it is.
    if (cause == Activation::OverlayClosed)
        return true;
    const ModuleState& state = shell().state();
    return state.ActivationHold || state.GlossaryOpen || state.ExplorerOpen;
}

void FramedScreen::ScreenActivate()
{
    ModuleState& state = shell().state();
    state.CurrentScreen = number();
    startScreenSounds();
    shell().navigator().PushHistory(state.CurrentLesson, number());
    refreshNavList();
    activated();
}

void FramedScreen::startScreenSounds()
{
    SoundChannels& sounds = shell().sounds();
    sounds.PlayScreenSound();
    if (shell().state().BackgroundSoundOn && hasBackgroundSound())
        sounds.startBackground();
}

void FramedScreen::screenShown()
{
    if (isLoaded())
        Timer1->start(); // at the interval the screen chose when it loaded
}

void FramedScreen::screenLeft()
{
    // The sound upkeep belongs to the screen in front.
    Timer1->stop();
}
