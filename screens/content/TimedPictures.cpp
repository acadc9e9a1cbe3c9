#include "TimedPictures.h"

#include "Database.h"
#include "MediaPlayer.h"
#include "QueryDef.h"
#include "Recordset.h"

#include <QTimer>
#include <cmath>

TimedPictures::TimedPictures(MediaPlayer& sound, ShowEntry show, QObject* parent)
    : QObject(parent)
    , Timer2(new QTimer(this))
    , m_sound(sound)
    , m_show(std::move(show))
{
    Timer2->setObjectName(QStringLiteral("Timer2"));
}

void TimedPictures::clear()
{
    // The clock must not read the schedule while it is rebuilt (rendering serves timers).
    Timer2->stop();
    m_imagenes.clear();
    m_indiceactual = 0;
}

void TimedPictures::load(Database& db, qint16 codigol)
{
    clear();
    QueryDef sequence = db.queryDef(QStringLiteral("consultacft"));
    sequence.setParameter(QStringLiteral("codigol"), codigol);
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
        m_show(0);
        m_imagenmostrada = m_imagenes.front().codigoimagen;
        m_imagennueva = m_imagenmostrada;
    }
    Timer2->start(PeriodMs);
}

void TimedPictures::tick()
{
    const double p = m_sound.position();
    if (!m_imagenes.empty()) {
        // Before the first picture's second the first picture shows, once: a sound
        // waiting at its start does not show it again every tick.
        if (p * 1000 < m_imagenes.front().segundo) {
            if (m_imagenmostrada != m_imagenes.front().codigoimagen)
                m_show(0);
            m_indiceactual = 0;
            m_imagennueva = m_imagenes.front().codigoimagen;
        }
        const double ms = std::nearbyint(p * 1000);
        for (int i = lastIndex(); i >= 0; --i) {
            const ImagenCarrusel& entry = m_imagenes[size_t(i)];
            if (entry.segundo <= ms) {
                m_indiceactual = qint16(i);
                m_imagennueva = entry.codigoimagen;
                if (m_imagennueva != m_imagenmostrada)
                    m_show(i);
                break;
            }
        }
        m_imagenmostrada = m_imagennueva;
    }
    // At the end the sound goes back to its start and waits for the play button.
    if (!m_sound.file().isEmpty() && p == m_sound.duration()) {
        m_sound.setPosition(0);
        m_sound.stop();
    }
}

double TimedPictures::entrySecond(int index) const
{
    const auto ms = qint64(std::nearbyint(m_imagenes.at(size_t(index)).segundo));
    return double(ms / 1000);
}

void TimedPictures::soundAction(int accion)
{
    switch (accion) {
    case Play: m_sound.run(); break;
    case Stop: m_sound.stop(); break;
    case ToStart: m_sound.setPosition(0); break;
    case ToEnd:
        m_sound.setPosition(m_sound.duration());
        toEnd();
        break;
    case NextPicture: nextPicture(); break;
    case PreviousPicture: previousPicture(); break;
    case Pause: m_sound.pause(); break;
    default: break;
    }
}

void TimedPictures::toEnd()
{
    if (!m_imagenes.empty())
        m_indiceactual = qint16(lastIndex());
}

void TimedPictures::nextPicture()
{
    // The clock moves indiceactual on when it sees the new position.
    if (!m_imagenes.empty() && m_indiceactual < lastIndex()) {
        m_sound.setPosition(entrySecond(m_indiceactual + 1));
        m_show(m_indiceactual + 1);
    }
}

void TimedPictures::previousPicture()
{
    if (m_imagenes.empty())
        return; // no pictures to go back to
    if (m_indiceactual > 0)
        m_sound.setPosition(entrySecond(m_indiceactual - 1));
    else
        m_sound.setPosition(0);
}
