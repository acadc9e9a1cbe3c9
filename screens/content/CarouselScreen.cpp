#include "CarouselScreen.h"

#include "ControlPanel.h"
#include "CourseError.h"
#include "MediaPlayer.h"
#include "ModuleState.h"
#include "PictureSurface.h"
#include "Recordset.h"
#include "Shell.h"
#include "Trace.h"

#include <QJsonObject>
#include <QTimer>

CarouselScreen::CarouselScreen(Shell& shell)
    : PanelScreen(shell, QStringLiteral("frmct"), 4)
    , m_sonido(std::make_unique<MediaPlayer>())
    , m_clock(new TimedPictures(*m_sonido, [this](int index) { showEntry(index); }, this))
{
    Timer2 = m_clock->Timer2;
    m_sonido->setTrace(&shell.trace(), QStringLiteral("carousel"));
    connect(Timer2, &QTimer::timeout, this, [this] { this->shell().guarded([this] { PictureClock(); }); });
}

CarouselScreen::~CarouselScreen() = default;

void CarouselScreen::loadFinished()
{
    PanelScreen::loadFinished();
    // The carousel's pictures replace its background: navigation puts it back when the
    // learner leaves, from the name remembered here.
    auto background = shell().state().ContentDb->openRecordset(QStringLiteral("select * from pantalla where codigo = 4 and objeto = 0"));
    if (!background->isEof())
        shell().state().CarouselBackground = background->text(QStringLiteral("bitmapreposo"));
}

void CarouselScreen::activated()
{
    CarruselTematico();
}

void CarouselScreen::traceCarousel(const char* op, int index, int code) const
{
    shell().trace().event("carousel",
        { { QStringLiteral("op"), QString::fromLatin1(op) }, { QStringLiteral("index"), index }, { QStringLiteral("code"), code },
            { QStringLiteral("position"), m_sonido->position() } });
}

void CarouselScreen::CarruselTematico()
{
    ModuleState& state = shell().state();
    m_clock->clear();
    m_sonido->release();
    m_reported.clear();

    auto lesson = currentLessonRow();
    try {
        m_sonido->render(state.Folder.resolve(lesson->text(QStringLiteral("nombre_fichero1"))));
    } catch (const CourseError& error) {
        reportProblem(error); // the pictures still come and the learner can leave
    }
    m_codigowav = qint16(lesson->number(QStringLiteral("codigo_wav")));
    showTitle(lesson->text(QStringLiteral("nombre_leccion")));
    VidControl->restore();

    m_clock->load(*state.ContentDb, m_codigowav);
    traceCarousel("build", int(imagenes().size()), m_codigowav);

    try {
        m_sonido->run();
        m_sonido->setVolume(state.Volume);
    } catch (const CourseError& error) {
        reportProblem(error);
    }
}

void CarouselScreen::showEntry(int index)
{
    const ImagenCarrusel& entry = imagenes().at(size_t(index));
    try {
        Picture1->setPixmap(loadPicture(entry.ficheroimagen));
        traceCarousel("picture", index, entry.codigoimagen);
    } catch (const CourseError& error) {
        // Told once per showing; the clock goes on to the next picture.
        if (!m_reported.contains(entry.ficheroimagen)) {
            m_reported << entry.ficheroimagen;
            reportProblem(error);
        }
    }
}

void CarouselScreen::PictureClock()
{
    m_clock->tick();
}

void CarouselScreen::screenAction(int accion, int)
{
    m_clock->soundAction(accion); // nothing beyond the click for the other actions
    traceCarousel("button", indiceactual(), accion);
}

void CarouselScreen::stopMedia()
{
    Timer2->stop();
    m_sonido->stop();
}
