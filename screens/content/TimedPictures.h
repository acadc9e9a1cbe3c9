#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class Database;
class MediaPlayer;
class QTimer;

/// The timed pictures of a sound, as the carousel and the information cards show them:
/// the schedule read from the stored query "consultacft", the clock `Timer2` that every
/// second shows the picture whose time has come, and the next and previous picture
/// buttons that seek the sound to whole seconds. The pictures are shown by the screen
/// through the function it gives; the clock only decides which one.
class TimedPictures : public QObject {
    Q_OBJECT

public:
    /// One entry of the picture schedule, as the query "consultacft" gives it.
    struct ImagenCarrusel {
        static constexpr int FileNameLength = 50; ///< the name is kept in a fixed field of this size

        qint16 Codigo = 0;
        double segundo = 0; ///< entry time in milliseconds
        qint16 codigoimagen = 0;
        QString ficheroimagen;
        float X = 0;
        float Y = 0;
    };
    /// Shows entry INDEX of the schedule.
    using ShowEntry = std::function<void(int index)>;

    static constexpr int PeriodMs = 1000;

    /// A clock over SOUND; SHOW puts an entry's picture on the screen.
    TimedPictures(MediaPlayer& sound, ShowEntry show, QObject* parent);

    QTimer* Timer2 = nullptr; ///< the picture clock

    const std::vector<ImagenCarrusel>& imagenes() const { return m_imagenes; }
    qint16 indiceactual() const { return m_indiceactual; }
    qint16 imagenmostrada() const { return m_imagenmostrada; }

    /// Stops the clock and forgets the schedule.
    void clear();
    /// Reads the schedule of sequence CODIGOL from DB, shows its first picture (when it
    /// has one) and starts the clock.
    void load(Database& db, qint16 codigol);
    /// One tick: shows the picture whose time has come; at the end of the sound it goes
    /// back to the start and stops.
    void tick();

    /// The sound buttons of a sound with timed pictures, as the carousel and the cards number them.
    enum SoundAction { Play = 5, Stop = 6, ToStart = 7, ToEnd = 8, NextPicture = 9, PreviousPicture = 10, Pause = 11 };
    /// Acts on the sound and the pictures for button ACCION; other actions do nothing.
    void soundAction(int accion);

    /// Button 8: the schedule's last entry becomes current (the caller seeks the sound).
    void toEnd();
    /// Button 9: seeks to the next entry's whole second and shows its picture.
    void nextPicture();
    /// Button 10: seeks to the previous entry's whole second (the clock shows it), or to
    /// 0 on the first entry. An empty schedule changes nothing.
    void previousPicture();

private:
    /// The whole second at which entry INDEX begins.
    double entrySecond(int index) const;
    int lastIndex() const { return int(m_imagenes.size()) - 1; }

    MediaPlayer& m_sound;
    ShowEntry m_show;
    std::vector<ImagenCarrusel> m_imagenes;
    qint16 m_indiceactual = 0;
    qint16 m_imagenmostrada = 0;
    qint16 m_imagennueva = 0;
};
