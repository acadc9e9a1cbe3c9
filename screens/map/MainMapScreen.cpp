#include "MainMapScreen.h"

#include "CourseError.h"
#include "FrameButton.h"
#include "HelpOverlay.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "PictureList.h"
#include "PictureSurface.h"
#include "QueryDef.h"
#include "Recordset.h"
#include "Shell.h"
#include "SoundChannels.h"
#include "Trace.h"
#include "TakeStore.h"
#include "VideoLearningScreen.h"

#include <QJsonObject>
#include <QListWidget>
#include <QSlider>

namespace {

enum MapAction {
    Leave = 2,
    SoundOnOff = 3,
    VolumeButton = 4,
    NavigationButton = 14,
    Up = 15,
    Erase = 16,
    GlossaryButton = 17,
    Help = 23,
    BigPicture = 24,
    BigPictureToo = 55,
};

const QString EraseQuestion = QStringLiteral(
    "¿Seguro que quieres borrar todo tu progreso: lecciones vistas, resultados de las pruebas y grabaciones?");

quint32 colourValue(int red, int green, int blue)
{
    return quint32(red) | (quint32(green) << 8) | (quint32(blue) << 16);
}

} // namespace

MainMapScreen::MainMapScreen(Shell& shell)
    : FramedScreen(shell, QStringLiteral("frmms"), 1)
{
}

MainMapScreen::~MainMapScreen() = default;

QString MainMapScreen::pantallaQuery() const
{
    return QStringLiteral("select * from pantalla where codigo = 1");
}

QWidget* MainMapScreen::buttonParent() const
{
    return mascara;
}

void MainMapScreen::ScreenLoad()
{
    // The map surface lies over Picture1 and takes the pointer; the buttons lie on it.
    mascara = new PictureSurface(Picture1);
    mascara->setObjectName(QStringLiteral("mascara"));
    // Sized before it is first shown: a label shown without a size measures itself by its
    // font, and the first font measured loads the whole font database (tens of ms at start).
    mascara->setGeometry(Picture1->rect());
    connect(mascara, &PictureSurface::moved, this, [this](int x, int y) { shell().guarded([&] { MapPointerMove(x, y); }); });
    FramedScreen::ScreenLoad();
}

void MainMapScreen::loadFinished()
{
    // The map shows the current lesson's picture rather than a picture of its own.
    const QString map = currentMapFile();
    if (!map.isEmpty())
        showBackground(map);
    msimagex = new PictureSurface(mascara);
    msimagex->setObjectName(QStringLiteral("msimagex"));
    msimagex->setCursor(handCursor());
    msimagex->hide();
    connect(msimagex, &PictureSurface::clicked, this, [this] { shell().guarded([this] { RegionClick(); }); });
    // The highlight covers its region's bounding box, which may reach into a neighbour:
    // the mask decides there too, so that the pointer passes straight to another region.
    connect(msimagex, &PictureSurface::moved, this, [this](int x, int y) {
        shell().guarded([&] { MapPointerMove(msimagex->x() + x, msimagex->y() + y); });
    });
    if (pictureList)
        pictureList->hide(); // the region's lessons open from the highlight instead
}

QString MainMapScreen::currentMapFile(bool* isMap) const
{
    auto lessons = shell().state().ContentDb->openRecordset(QStringLiteral("lecciones"));
    if (!lessons->findFirst(QStringLiteral("N_leccion = %1").arg(shell().state().CurrentLesson))) {
        if (isMap)
            *isMap = false;
        return {};
    }
    if (isMap)
        *isMap = lessons->number(QStringLiteral("tipo")) == 1;
    return lessons->text(QStringLiteral("nombre_fichero1"));
}

QPixmap MainMapScreen::transitionPicture()
{
    ensureLoaded();
    bool isMap = false;
    const QString map = currentMapFile(&isMap);
    if (isMap)
        showBackground(map);
    return Picture1->pixmap();
}

void MainMapScreen::LoadLessonMap()
{
    ModuleState& state = shell().state();
    mascara->clear();
    msimagex->clear();
    m_sensible = QImage();
    auto lessons = state.ContentDb->openRecordset(QStringLiteral("lecciones"));
    if (!lessons->findFirst(QStringLiteral("N_leccion = %1").arg(state.CurrentLesson)))
        throw CourseError(QStringLiteral("%1: lesson %2 is not in lecciones").arg(state.ContentDb->fileName()).arg(state.CurrentLesson));
    const QPixmap map = loadPicture(lessons->text(QStringLiteral("nombre_fichero1")));
    const QString maskName = lessons->text(QStringLiteral("nombre_fichero2"));
    if (maskName.trimmed().isEmpty())
        throw CourseError(QStringLiteral("map lesson %1 has no colour mask (nombre_fichero2)").arg(state.CurrentLesson));
    // The mask is never shown: keep it as an image whose pixels are read directly.
    m_sensible = QImage(state.Folder.require(maskName)).convertToFormat(QImage::Format_RGB32);
    if (m_sensible.isNull())
        throw CourseError(QStringLiteral("colour mask %1 cannot be read").arg(maskName.trimmed()));
    mascara->setPixmap(map);
    mascara->setGeometry(0, 0, map.width(), map.height());
    Picture1->setPixmap(map);
    BuildColourTable();
    ApplyExclusions();
}

void MainMapScreen::BuildColourTable()
{
    m_regions = shell().state().ContentDb->openRecordset(
        QStringLiteral("select * from mapa_sensible where N_leccion = %1 order by r, g, b, N_capitulo").arg(shell().state().CurrentLesson));
    m_colourTable.assign(1, ColourEntry {});
    for (; !m_regions->isEof(); m_regions->moveNext()) {
        ColourEntry& last = m_colourTable.back();
        last.colour = colourValue(int(m_regions->number(QStringLiteral("R"))), int(m_regions->number(QStringLiteral("g"))),
            int(m_regions->number(QStringLiteral("b"))));
        last.row = qint16(m_regions->absolutePosition());
        m_colourTable.push_back(ColourEntry {});
    }
}

quint32 MainMapScreen::maskPixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_sensible.width() || y >= m_sensible.height())
        return 0;
    const QRgb pixel = reinterpret_cast<const QRgb*>(m_sensible.constScanLine(y))[x];
    return colourValue(qRed(pixel), qGreen(pixel), qBlue(pixel));
}

void MainMapScreen::MapPointerMove(int x, int y)
{
    m_maskColour = maskPixel(x, y);
    volumen->hide();
    if (CajaNav)
        CajaNav->hide();
    if (m_maskColour == 0) {
        if (pictureList)
            pictureList->hide();
        msimagex->hide();
        m_lastMaskColour = 0;
        FramedScreen::BackgroundMouseMove(x, y);
        return;
    }
    for (size_t i = 0; i < m_colourTable.size(); ++i) {
        if (m_colourTable[i].colour != m_maskColour)
            continue;
        if (m_maskColour != m_lastMaskColour) {
            if (pictureList)
                pictureList->hide();
            msimagex->hide();
            m_currentRegion = qint16(i);
            ShowRegion();
        }
        break;
    }
    m_lastMaskColour = m_maskColour;
}

void MainMapScreen::ShowRegion()
{
    m_regions->setAbsolutePosition(m_colourTable[size_t(m_currentRegion)].row);
    msimagex->setPixmap(loadPicture(m_regions->text(QStringLiteral("bitmap_activable"))));
    msimagex->resize(msimagex->pixmap().size());
    const int chapter = int(m_regions->number(QStringLiteral("N_capitulo")));
    msimagex->setProperty("tag", chapter);
    msimagex->move(int(m_regions->number(QStringLiteral("X"))), int(m_regions->number(QStringLiteral("Y"))));
    msimagex->show();
    msimagex->raise();
    shell().trace().event("region",
        { { QStringLiteral("chapter"), chapter }, { QStringLiteral("colour"), qint64(m_colourTable[size_t(m_currentRegion)].colour) } });
}

void MainMapScreen::RegionClick()
{
    ModuleState& state = shell().state();
    const int chapter = msimagex->property("tag").toInt();
    // The chapter's lessons under the map being shown (on the home map, lesson 1).
    auto lessons = state.ContentDb->openRecordset(
        QStringLiteral("select * from lecciones where n_leccion_viene = %1 and n_capitulo_viene = %2 order by n_leccion")
            .arg(state.CurrentLesson)
            .arg(chapter));
    if (lessons->isEof())
        return; // a chapter without lessons opens nothing
    OpenCurrentLesson(qint16(lessons->number(QStringLiteral("N_leccion"))));
}

void MainMapScreen::OpenCurrentLesson(qint16 lesson)
{
    ModuleState& state = shell().state();
    shell().sounds().StopBackgroundSound();
    if (pictureList)
        pictureList->hide();
    if (!shell().navigator().OpenLesson(lesson, this) && state.BackgroundSoundOn)
        shell().sounds().startBackground(); // nothing opened: the map goes on as it was
}

void MainMapScreen::ApplyExclusions()
{
    const ModuleState& state = shell().state();
    const int count = int(buttons().size());
    // Every button is on unless one of this lesson's exclusion rows names its action.
    for (int i = 1; i < count; ++i)
        button(i).enabled = true;
    for (int e = 0; e < state.ExclusionCount; ++e) {
        const Exclusion& exclusion = state.Exclusions[size_t(e)];
        if (exclusion.leccion != state.CurrentLesson)
            continue;
        for (int i = 1; i < count; ++i) {
            if (button(i).accion == exclusion.accion)
                button(i).enabled = false;
        }
    }
    // A button left lit from the previous map lesson (the pointer went from it straight
    // onto a region) must not stay clickable when this lesson switches it off.
    for (int i = 1; i < count; ++i) {
        if (!button(i).enabled && button(i).state == 0)
            Imagex[size_t(i)]->hide();
    }
}

void MainMapScreen::buttonBuilt(int index, const Recordset& row)
{
    // The volume panel opens just above the volume button.
    if (row.number(QStringLiteral("accion")) == VolumeButton)
        placeVolumePanel(Imagex[size_t(index)]->x(), Imagex[size_t(index)]->y() - volumen->height());
}

bool MainMapScreen::buttonMayLight(int index) const
{
    return buttons().at(size_t(index)).enabled;
}

void MainMapScreen::ButtonClick(int index)
{
    MapButtonClick(index);
}

void MainMapScreen::MapButtonClick(int index)
{
    ModuleState& state = shell().state();
    Navigator& navigator = shell().navigator();
    switch (buttons().at(size_t(index)).accion) {
    case Leave:
        state.Quitting = true;
        navigator.SwitchScreen(this, QStringLiteral("frmc"));
        break;
    case SoundOnOff:
        ToggleBackgroundSound();
        break;
    case VolumeButton:
        volumen->show();
        volumen->raise();
        break;
    case Up:
        Imagex[size_t(index)]->hide();
        navigator.OpenParentLesson(this);
        break;
    case Erase:
        // One click would lose all the learner's work: he is asked first, "No" the default.
        if (!shell().ask(EraseQuestion))
            break;
        learnerStore(state).eraseWork();
        TakeStore::eraseAll(state.UserFolder); // the shadowing takes are the learner's work too
        shell().trace().event("learner.erase");
        // The conversation tree shows the visits just erased; the map keeps its lesson.
        if (auto* conversations = qobject_cast<VideoLearningScreen*>(shell().existingWindow(QStringLiteral("frmva"))))
            conversations->refreshTree();
        break;
    case GlossaryButton:
        shell().showOverlay(shell().window(QStringLiteral("frmind")));
        break;
    case Help:
        HelpOverlay::open(shell(), *this);
        break;
    case BigPicture:
    case BigPictureToo:
        navigator.SwitchScreen(this, QStringLiteral("frmc"));
        break;
    default:
        break; // the navigation button acts on pointing, not on clicks
    }
}

void MainMapScreen::ScreenActivate()
{
    ModuleState& state = shell().state();
    SoundChannels& sounds = shell().sounds();
    LoadLessonMap();
    state.CurrentScreen = 1;
    sounds.PlayScreenSound();
    if (state.BackgroundSoundOn)
        sounds.startBackground();
    shell().navigator().PushHistory(state.CurrentLesson, 1);
    refreshNavList();
    ShowSoundButtonState();
    state.Volume = qint16(sounds.backgroundVolume());
    {
        const QSignalBlocker quiet(Slider1); // showing the volume is not changing it
        Slider1->setValue(-state.Volume);
    }
    msimagex->hide();
    // The region clicked last is no longer lit: the pointer's next move over it must light
    // it again, even when the pointer reached the map over a button and never left it.
    m_lastMaskColour = 0;
}
