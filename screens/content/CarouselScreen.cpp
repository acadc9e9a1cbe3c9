#include "CarouselScreen.h"

#include "ControlPanel.h"
#include "CourseError.h"
#include "MediaPlayer.h"
#include "ModuleState.h"
#include "PictureSurface.h"
#include "QueryDef.h"
#include "Recordset.h"
#include "Shell.h"
#include "Trace.h"

#include <QJsonObject>
#include <QTimer>
#include <cmath>

CarouselScreen::CarouselScreen(Shell& shell)
    : PanelScreen(shell, QStringLiteral("frmct"), 4)
    , Timer2(new QTimer(this))
    , m_sonido(std::make_unique<MediaPlayer>())
{
    Timer2->setObjectName(QStringLiteral("Timer2"));
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
    // The clock must not read the schedule while it is rebuilt (rendering serves timers).
    Timer2->stop();
    m_sonido->release();
    m_imagenes.clear();
    m_reported.clear();
    m_indiceactual = 0;

    auto lesson = currentLessonRow();
    try {
        m_sonido->render(state.Folder.resolve(lesson->text(QStringLiteral("nombre_fichero1"))));
    } catch (const CourseError& error) {
        reportProblem(error); // the pictures still come and the learner can leave
    }
    m_codigowav = qint16(lesson->number(QStringLiteral("codigo_wav")));
    showTitle(lesson->text(QStringLiteral("nombre_leccion")));
    VidControl->restore();

    QueryDef sequence = state.ContentDb->queryDef(QStringLiteral("consultacft"));
    sequence.setParameter(QStringLiteral("codigol"), m_codigowav);
    auto rows = sequence.openRecordset();
    for (; !rows->isEof(); rows->moveNext()) {
        ImagenCarrusel entry;
        entry.Codigo = qint16(rows->number(QStringLiteral("Codigo")));
        entry.codigoimagen = qint16(rows->number(QStringLiteral("codigoimagen")));
        // A fixed field: longer names are cut, shorter ones padded with blanks.
        entry.ficheroimagen = rows->text(QStringLiteral("ficheroimagen"))
                                  .left(ImagenCarrusel::FileNameLength)
                                  .leftJustified(ImagenCarrusel::FileNameLength, QLatin1Char(' '));
        entry.segundo = rows->value(QStringLiteral("segundo")).toDouble();
        entry.X = rows->value(QStringLiteral("X")).toFloat();
        entry.Y = rows->value(QStringLiteral("Y")).toFloat();
        m_imagenes.push_back(entry);
    }
    if (!m_imagenes.empty()) {
        showEntry(0);
        m_imagenmostrada = m_imagenes.front().codigoimagen;
        m_imagennueva = m_imagenmostrada;
    }
    traceCarousel("build", int(m_imagenes.size()), m_codigowav);

    Timer2->start(PictureClockMs);
    try {
        m_sonido->run();
        m_sonido->setVolume(state.Volume);
    } catch (const CourseError& error) {
        reportProblem(error);
    }
}

void CarouselScreen::showEntry(int index)
{
    const ImagenCarrusel& entry = m_imagenes.at(size_t(index));
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
    const double p = m_sonido->position();
    if (!m_imagenes.empty()) {
        if (p * 1000 < m_imagenes.front().segundo)
            showEntry(0);
        const double ms = std::nearbyint(p * 1000);
        for (int i = lastIndex(); i >= 0; --i) {
            const ImagenCarrusel& entry = m_imagenes[size_t(i)];
            if (entry.segundo <= ms) {
                m_indiceactual = qint16(i);
                m_imagennueva = entry.codigoimagen;
                if (m_imagennueva != m_imagenmostrada)
                    showEntry(i);
                break;
            }
        }
        m_imagenmostrada = m_imagennueva;
    }
    // At the end the sound goes back to its start and waits for the play button.
    if (!m_sonido->file().isEmpty() && p == m_sonido->duration()) {
        m_sonido->setPosition(0);
        m_sonido->stop();
    }
}

double CarouselScreen::entrySecond(int index) const
{
    const auto ms = qint64(std::nearbyint(m_imagenes.at(size_t(index)).segundo));
    return double(ms / 1000);
}

void CarouselScreen::screenAction(int accion, int)
{
    switch (accion) {
    case Play: m_sonido->run(); break;
    case Stop: m_sonido->stop(); break;
    case ToStart: m_sonido->setPosition(0); break;
    case ToEnd:
        m_sonido->setPosition(m_sonido->duration());
        if (!m_imagenes.empty())
            m_indiceactual = qint16(lastIndex());
        break;
    case NextPicture:
        // The clock moves indiceactual on when it sees the new position.
        if (!m_imagenes.empty() && m_indiceactual < lastIndex()) {
            m_sonido->setPosition(entrySecond(m_indiceactual + 1));
            showEntry(m_indiceactual + 1);
        }
        break;
    case PreviousPicture:
        if (m_imagenes.empty())
            break; // no pictures to go back to
        if (m_indiceactual > 0)
            m_sonido->setPosition(entrySecond(m_indiceactual - 1));
        else
            m_sonido->setPosition(0);
        break;
    case Pause: m_sonido->pause(); break;
    default: break; // nothing beyond the click
    }
    traceCarousel("button", m_indiceactual, accion);
}

void CarouselScreen::stopMedia()
{
    Timer2->stop();
    m_sonido->stop();
}
