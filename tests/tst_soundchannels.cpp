#include "AudioProbe.h"
#include "CourseError.h"
#include "ShellHarness.h"
#include "SoundChannels.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QtTest>

namespace {

const QString rows = QStringLiteral(
    "insert into sonidospantalla values"
    "  (1, 1, 'sonidos\\Fondo440.wav', 'sonidos\\click.wav', 'sonidos\\cambio.wav'),"
    "  (1, 20, 'sonidos\\fondo880.wav', 'sonidos\\click.wav', 'sonidos\\cambio.wav'),"
    "  (4, 0, 'sonidos\\fondo880.wav', 'sonidos\\click.wav', 'sonidos\\cambio.wav'),"
    "  (3, 0, '  sonidos\\fondo880.wav  ', 'sonidos\\click.wav', null),"
    "  (5, 0, 'sonidos\\VACIO.WAV', 'sonidos\\texto.wav', 'sonidos\\cambio.wav'),"
    "  (6, 0, 'sonidos\\cortado.wav', 'sonidos\\click.wav', 'sonidos\\cambio.wav');");

using Channel = SoundChannels::Channel;

} // namespace

class SoundChannelsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FixtureCourse> m_course;
    std::unique_ptr<ShellHarness> m_harness;
    AudioProbe m_probe;

    SoundChannels& sounds() { return m_harness->shell->sounds(); }
    ModuleState& state() { return m_harness->state; }
    QString file(const char* name) { return m_course->folder() + QLatin1Char('/') + QLatin1String(name); }

    /// True once the monitor carries FREQUENCY, listening in short slices for up to two
    /// seconds: a player starts within a few tens of milliseconds, more on a busy machine.
    bool heard(double frequency) { return m_probe.hears(frequency); }

    void enter(int screen, int lesson)
    {
        state().CurrentScreen = qint16(screen);
        state().CurrentLesson = qint16(lesson);
        sounds().PlayScreenSound();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_course = std::make_unique<FixtureCourse>(rows);
        m_course->addTone(QStringLiteral("sonidos/fondo440.wav"), 1.0, 440);
        m_course->addTone(QStringLiteral("sonidos/fondo880.wav"), 3.0, 880);
        m_course->addTone(QStringLiteral("sonidos/click.wav"), 0.6, 1200);
        m_course->addTone(QStringLiteral("sonidos/cambio.wav"), 0.2, 660);
        m_harness = std::make_unique<ShellHarness>(*m_course);
    }

    void cleanupTestCase()
    {
        m_probe.stop();
        m_harness.reset();
        m_course.reset();
    }

    void eachScreenFindsItsRow()
    {
        // The map has one row per lesson; names are trimmed and matched whatever their case.
        enter(1, 20);
        QCOMPARE(sounds().channel(Channel::Background).file(), file("sonidos/fondo880.wav"));
        enter(1, 1);
        QCOMPARE(sounds().channel(Channel::Background).file(), file("sonidos/fondo440.wav"));
        QCOMPARE(sounds().channel(Channel::Click).file(), file("sonidos/click.wav"));
        QCOMPARE(sounds().channel(Channel::Change).file(), file("sonidos/cambio.wav"));
        enter(3, 7);
        QCOMPARE(sounds().channel(Channel::Background).file(), file("sonidos/fondo880.wav"));
        QVERIFY(sounds().channel(Channel::Change).file().isEmpty()); // a Null name leaves the channel empty

        // The carousel plays its own track: no background, no volume on it.
        const int volumesBefore = m_harness->soundCount(QStringLiteral("background"), QStringLiteral("volume"));
        enter(4, 10);
        QVERIFY(sounds().channel(Channel::Background).file().isEmpty());
        QCOMPARE(sounds().channel(Channel::Click).file(), file("sonidos/click.wav"));
        QCOMPARE(m_harness->soundCount(QStringLiteral("background"), QStringLiteral("volume")), volumesBefore);

        // Nothing is started by preparing a screen.
        QCOMPARE(sounds().channel(Channel::Click).state(), MediaPlayer::State::Stopped);

        // A screen without a row is silent, and says so.
        enter(7, 30);
        QVERIFY(sounds().channel(Channel::Click).file().isEmpty());
        const QJsonObject missing = m_harness->events(QStringLiteral("sound.missing_row")).last();
        QCOMPARE(missing.value(QStringLiteral("screen")).toInt(), 7);
        QCOMPARE(missing.value(QStringLiteral("lesson")).toInt(), 30);
    }

    void backgroundLoopsOnceTheTimerTicks()
    {
        QVERIFY2(m_probe.start(), qPrintable(m_probe.errorString()));
        enter(1, 1);
        sounds().startBackground();
        QVERIFY(heard(440));
        // Past its end the background is silent until the upkeep rewinds it.
        QTRY_VERIFY_WITH_TIMEOUT(sounds().channel(Channel::Background).position() >= 0.99, 3000);
        QTest::qWait(200);
        QVERIFY(AudioProbe::rmsDb(m_probe.record(300)) < -50);
        sounds().SoundTimer();
        QCOMPARE(sounds().channel(Channel::Background).state(), MediaPlayer::State::Running);
        QVERIFY(heard(440));
        sounds().StopBackgroundSound();
    }

    void aFinishedClickIsPausedAndRewound()
    {
        enter(1, 1);
        sounds().startClickSound();
        QVERIFY(heard(1200));
        MediaPlayer& click = sounds().channel(Channel::Click);
        // Ticks while it plays change nothing; the first tick after its end pauses and rewinds it.
        sounds().SoundTimer();
        QCOMPARE(click.state(), MediaPlayer::State::Running);
        QTRY_VERIFY_WITH_TIMEOUT((sounds().SoundTimer(), click.state() == MediaPlayer::State::Paused), 3000);
        QCOMPARE(click.position(), 0.0);
        // The next start plays it from the beginning.
        sounds().startClickSound();
        QVERIFY(heard(1200));
    }

    void aSoundLeftWaitingStillPlays()
    {
        // A screen prepares its sounds on activation; the learner may point at a button
        // only seconds later, and the click must still be heard then.
        enter(1, 1);
        QTest::qWait(1500);
        sounds().startClickSound();
        QVERIFY(heard(1200));
    }

    void theBackgroundTakesTheVolumeSet()
    {
        // The volume chosen on one screen carries to the next screen's background.
        state().Volume = -1200;
        enter(1, 20);
        QCOMPARE(sounds().channel(Channel::Background).volume(), -1200);
        QCOMPARE(sounds().channel(Channel::Click).volume(), 0); // the click keeps full volume
        state().Volume = 0;
        enter(1, 1);
        QCOMPARE(sounds().channel(Channel::Background).volume(), 0);
    }

    void aSingleFileIsPreparedAtTheVolume()
    {
        state().Volume = -600;
        sounds().PlaySoundFile(QStringLiteral("  sonidos\\Cambio.wav "));
        MediaPlayer& single = sounds().channel(Channel::Single);
        QCOMPARE(single.file(), file("sonidos/cambio.wav"));
        QCOMPARE(single.volume(), -600);
        QCOMPARE(single.state(), MediaPlayer::State::Stopped); // the caller starts it
        single.run();
        QVERIFY(heard(660));
        state().Volume = 0;
        QVERIFY_THROWS_EXCEPTION(CourseError, sounds().PlaySoundFile(QStringLiteral("sonidos\\falta.wav")));
    }

    void aBadFileLeavesItsChannelSilentAndTheScreenGoesOn()
    {
        // What a damaged disc holds: an empty file, words behind a sound's name, a sound
        // header whose samples are gone.
        const auto write = [&](const char* name, const QByteArray& bytes) {
            QFile out(file(name));
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(bytes);
        };
        write("sonidos/vacio.wav", QByteArray());
        write("sonidos/texto.wav", QByteArray("Lección 5: sonidos\r\n"));
        write("sonidos/cortado.wav", QByteArray("RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x22\x56\x00\x00"
                                                "\x44\xac\x00\x00\x02\x00\x10\x00", 36));
        const int errorsBefore = m_harness->soundCount(QStringLiteral("background"), QStringLiteral("render"));
        enter(5, 0);
        QVERIFY(sounds().channel(Channel::Background).file().isEmpty());
        QVERIFY(sounds().channel(Channel::Click).file().isEmpty());
        // The other channels play as ever, and the silent ones take every operation.
        sounds().startBackground();
        sounds().startClickSound();
        sounds().SoundTimer();
        sounds().channel(Channel::Change).run();
        QVERIFY(heard(660));
        enter(6, 0);
        QVERIFY(sounds().channel(Channel::Background).file().isEmpty());
        QCOMPARE(sounds().channel(Channel::Click).file(), file("sonidos/click.wav"));
        sounds().StopBackgroundSound();

        // Each bad file is reported once, by name, with the reason.
        QList<QJsonObject> failures;
        for (const QJsonObject& event : m_harness->events(QStringLiteral("sound"))) {
            const QString name = QFileInfo(event.value(QStringLiteral("file")).toString()).fileName();
            const bool bad = name == QLatin1String("vacio.wav") || name == QLatin1String("texto.wav") || name == QLatin1String("cortado.wav");
            if (bad && (event.contains(QStringLiteral("error")) || event.value(QStringLiteral("op")).toString() == QLatin1String("error")))
                failures << event;
        }
        QCOMPARE(failures.size(), 3);
        QCOMPARE(failures[0].value(QStringLiteral("file")).toString(), file("sonidos/vacio.wav"));
        QCOMPARE(failures[1].value(QStringLiteral("file")).toString(), file("sonidos/texto.wav"));
        QCOMPARE(failures[2].value(QStringLiteral("file")).toString(), file("sonidos/cortado.wav"));
        QVERIFY2(failures[2].value(QStringLiteral("error")).toString().contains(QStringLiteral("no data chunk")),
                 qPrintable(failures[2].value(QStringLiteral("error")).toString()));
        QVERIFY(m_harness->soundCount(QStringLiteral("background"), QStringLiteral("render")) > errorsBefore);

        // On the single channel too; a file the disc lacks stays the course's error.
        sounds().PlaySoundFile(QStringLiteral("sonidos\\texto.wav"));
        QVERIFY(sounds().channel(Channel::Single).file().isEmpty());
        QVERIFY_THROWS_EXCEPTION(CourseError, sounds().PlaySoundFile(QStringLiteral("sonidos\\otrafalta.wav")));
    }

    void volumeLowersTheBackground()
    {
        enter(1, 20); // the three-second background
        sounds().startBackground();
        QVERIFY(heard(880));
        const double full = AudioProbe::rmsDb(m_probe.record(500));
        sounds().setBackgroundVolume(-2000);
        QCOMPARE(sounds().backgroundVolume(), -2000);
        QTest::qWait(300);
        const double lowered = AudioProbe::rmsDb(m_probe.record(500));
        QVERIFY2(qAbs((full - lowered) - 20.0) < 3.0, qPrintable(QStringLiteral("full %1 dB, lowered %2 dB").arg(full).arg(lowered)));
        sounds().StopBackgroundSound();
        sounds().setBackgroundVolume(0);
    }
};

QTEST_MAIN(SoundChannelsTest)
#include "tst_soundchannels.moc"
