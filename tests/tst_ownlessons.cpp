// The learner's own videos as lessons: added from real videos and subtitle files made by
// ffmpeg here, kept in the learner folder's own database, removed and pointed elsewhere;
// and every way an add can go wrong leaves the store as it was.
#include "CourseError.h"
#include "EmbeddedSubtitles.h"
#include "MediaRecipes.h"
#include "OwnLessons.h"
#include "OwnVideoFiles.h"
#include "TakeStore.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>
#include <thread>
#include <unistd.h>

namespace {

const QStringList englishCues { QStringLiteral("200-900 <i>Hello</i> there."), QStringLiteral("1000-1800 How are you?"),
    QStringLiteral("2000-2900 Fine, thanks.") };
const QStringList spanishCues { QStringLiteral("250-950 Hola."), QStringLiteral("1050-1750 ¿Qué tal?"),
    QStringLiteral("2000-2800 Bien, gracias.") };

// A subtitle file of KIND: "en" and "es" SubRip in UTF-8, "es1252" in Windows-1252, "esass"
// an ASS file with styles, override codes and a drawing, "enback" SubRip with a cue
// that ends before it starts and one that overlaps the next.
QByteArray subtitleFile(const QString& kind)
{
    if (kind == QLatin1String("es1252")) {
        QStringEncoder encoder("Windows-1252");
        const QByteArray bytes = encoder.encode(QString::fromUtf8(OwnVideoFiles::subRip({ QStringLiteral("250-950 El niño."),
            QStringLiteral("1050-1750 ¿Mañana?"), QStringLiteral("2000-2800 Sí, señor.") })));
        if (encoder.hasError() || bytes.contains("\xc3"))
            qFatal("no Windows-1252 file");
        return bytes;
    }
    if (kind == QLatin1String("esass"))
        return "[Script Info]\r\nScriptType: v4.00+\r\n\r\n[V4+ Styles]\r\nFormat: Name, Fontname, Fontsize, PrimaryColour, Bold\r\n"
               "Style: Default,Arial,20,&H00FFFFFF,0\r\nStyle: Cartel,Arial,30,&H0000FFFF,1\r\n\r\n[Events]\r\n"
               "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
               "Dialogue: 0,0:00:00.25,0:00:00.95,Default,Ana,0,0,0,,{\\i1}Hola.{\\i0}\r\n"
               "Dialogue: 1,0:00:01.05,0:00:01.75,Cartel,,0,0,0,,{\\an8\\pos(10,10)}¿Qué\\Ntal?\r\n"
               "Dialogue: 0,0:00:02.00,0:00:02.80,Default,,0,0,0,,{\\p1}m 0 0 l 5 5{\\p0}Bien, gracias.\r\n";
    if (kind == QLatin1String("enback"))
        return OwnVideoFiles::subRip({ QStringLiteral("200-100 Hello there."), QStringLiteral("1000-2500 How are you?"),
            QStringLiteral("2000-2900 Fine, thanks.") });
    return OwnVideoFiles::subRip(kind == QLatin1String("en") ? englishCues : spanishCues);
}

QString written(const QList<OwnLessons::Phrase>& phrases)
{
    QStringList parts;
    for (const OwnLessons::Phrase& phrase : phrases)
        parts << QStringLiteral("%1 %2 / %3").arg(phrase.mseg).arg(phrase.frase_en, phrase.frase_sp);
    return parts.join(QLatin1Char('|'));
}

// A probe that decodes every file, as a three-second 160x120 video.
VideoProbe::Facts anyVideo(const QString&)
{
    VideoProbe::Facts facts;
    facts.decodes = true;
    facts.durationMs = 3000;
    facts.width = 160;
    facts.height = 120;
    return facts;
}

// Runs SQL on the store's file behind its back.
void tamper(const QString& file, const char* sql)
{
    sqlite3* handle = nullptr;
    QCOMPARE(sqlite3_open(file.toUtf8().constData(), &handle), SQLITE_OK);
    QCOMPARE(sqlite3_exec(handle, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(handle);
}

QByteArray contentsOf(const QString& file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

} // namespace

class TestOwnLessons : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void addsWithTheSubtitlesBeside_data();
    void addsWithTheSubtitlesBeside();
    void numbersAreNeverGivenTwice();
    void removingKeepsTheFiles();
    void relocating();
    void refusedAdds_data();
    void refusedAdds();
    void aFullStore();
    void aReadOnlyLearnerFolder();
    void aDamagedStore();
    void addsAtOnce();
    void tracksInsideTheVideo_data();
    void tracksInsideTheVideo();
    void tracksThatCannotBeRead();

private:
    QString folder(const QString& name) const { return m_dir.filePath(name); }
    QString learner() const { return m_learner->path(); }
    QTemporaryDir m_dir;
    std::unique_ptr<QTemporaryDir> m_learner;
    QString m_mp4;
};

void TestOwnLessons::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (const QString missing = OwnVideoFiles::missingEncoder({ QStringLiteral("libx264"), QStringLiteral("aac") }); !missing.isEmpty())
        QSKIP(qPrintable(QStringLiteral("ffmpeg cannot make the videos: no %1").arg(missing)));
    m_mp4 = folder(QStringLiteral("mp4/film.mp4"));
    OwnVideoFiles::makeMp4(m_mp4);
}

void TestOwnLessons::init()
{
    m_learner = std::make_unique<QTemporaryDir>();
}

void TestOwnLessons::addsWithTheSubtitlesBeside_data()
{
    QTest::addColumn<QStringList>("files"); // NAME=CUES(en|es) beside the video
    QTest::addColumn<QString>("english");   // --en, relative to the video's folder
    QTest::addColumn<QString>("spanish");
    QTest::addColumn<QString>("phrases");
    QTest::addColumn<QStringList>("notes");
    const QString both = QStringLiteral("200 Hello there. / Hola.|1000 How are you? / ¿Qué tal?|2000 Fine, thanks. / Bien, gracias.");
    QTest::newRow("both beside") << QStringList { QStringLiteral("film.en.srt=en"), QStringLiteral("film.es.srt=es") } << QString() << QString()
                                 << both << QStringList();
    QTest::newRow("three-letter tags") << QStringList { QStringLiteral("film.eng.srt=en"), QStringLiteral("film.spa.srt=es") } << QString()
                                       << QString() << both << QStringList();
    QTest::newRow("English only") << QStringList { QStringLiteral("film.en.srt=en") } << QString() << QString()
                                  << QStringLiteral("200 Hello there. / |1000 How are you? / |2000 Fine, thanks. / ")
                                  << QStringList { QStringLiteral("Sin subtítulos en español.") };
    QTest::newRow("Spanish only") << QStringList { QStringLiteral("film.es.srt=es") } << QString() << QString()
                                  << QStringLiteral("250  / Hola.|1050  / ¿Qué tal?|2000  / Bien, gracias.")
                                  << QStringList { QStringLiteral("Sin subtítulos en inglés.") };
    QTest::newRow("Windows-1252") << QStringList { QStringLiteral("film.en.srt=en"), QStringLiteral("film.es.srt=es1252") } << QString() << QString()
                                  << QStringLiteral("200 Hello there. / El niño.|1000 How are you? / ¿Mañana?|2000 Fine, thanks. / Sí, señor.")
                                  << QStringList();
    QTest::newRow("styled ASS") << QStringList { QStringLiteral("film.en.srt=en"), QStringLiteral("film.es.ass=esass") } << QString() << QString()
                                << both << QStringList();
    QTest::newRow("backwards and overlapping") << QStringList { QStringLiteral("film.en.srt=enback"), QStringLiteral("film.es.srt=es") } << QString()
                                               << QString() << both
                                               << QStringList { QStringLiteral("film.en.srt: 1 subtítulos acababan antes de empezar; se han corregido.") };
    QTest::newRow("given files win") << QStringList { QStringLiteral("film.en.srt=es"), QStringLiteral("otros/inglés bueno.srt=en"),
        QStringLiteral("film.es.srt=es") } << QStringLiteral("otros/inglés bueno.srt") << QString() << both << QStringList();
}

void TestOwnLessons::addsWithTheSubtitlesBeside()
{
    QFETCH(QStringList, files);
    QFETCH(QString, english);
    QFETCH(QString, spanish);
    QFETCH(QString, phrases);
    QFETCH(QStringList, notes);
    // Each row has a folder of its own, with accents and spaces, and the video copied in.
    const QString place = folder(QStringLiteral("años y días/%1").arg(QString::fromLatin1(QTest::currentDataTag())));
    const QString video = place + QStringLiteral("/film.mp4");
    QVERIFY(QDir().mkpath(place));
    QVERIFY(QFile::copy(m_mp4, video));
    for (const QString& file : files) {
        const QStringList parts = file.split(QLatin1Char('='));
        OwnVideoFiles::write(place + QLatin1Char('/') + parts[0], subtitleFile(parts[1]));
    }
    OwnLessons store(learner());
    OwnLessons::Request request;
    request.video = video;
    request.english = english.isEmpty() ? QString() : place + QLatin1Char('/') + english;
    request.spanish = spanish.isEmpty() ? QString() : place + QLatin1Char('/') + spanish;
    const OwnLessons::Added added = store.add(request);
    QVERIFY2(added.error.isEmpty(), qPrintable(added.error + QLatin1Char(' ') + added.detail));
    QVERIFY(added.lesson);
    QCOMPARE(added.notes, notes);
    QCOMPARE(added.lesson->number, OwnLessons::FirstNumber);
    QCOMPARE(written(store.phrases(added.lesson->number)), phrases);

    const std::optional<OwnLessons::Lesson> kept = store.lesson(OwnLessons::FirstNumber);
    QVERIFY(kept);
    QCOMPARE(kept->title, QStringLiteral("film"));
    QCOMPARE(kept->video, video);
    QCOMPARE(kept->phraseCount, 3);
    QCOMPARE(kept->width, 160);
    QCOMPARE(kept->height, 120);
    QVERIFY2(qAbs(kept->durationMs - 3000) < 200, qPrintable(QString::number(kept->durationMs)));
    QVERIFY(qAbs(kept->added.secsTo(QDateTime::currentDateTimeUtc())) < 60);
    QCOMPARE(kept->added.timeSpec(), Qt::UTC);
    QCOMPARE(kept->english.isEmpty(), !phrases.contains(QStringLiteral("Hello")));
    if (!english.isEmpty())
        QCOMPARE(kept->english, request.english);
    QCOMPARE(store.lessons().size(), 1);
    QCOMPARE(store.lessons().first().title, kept->title);
}

void TestOwnLessons::numbersAreNeverGivenTwice()
{
    OwnLessons store(learner());
    store.setVideoProbe(anyVideo);
    const QString en = folder(QStringLiteral("numbers/a.en.srt"));
    OwnVideoFiles::write(en, OwnVideoFiles::subRip(englishCues));
    const auto add = [&](const QString& title) {
        const OwnLessons::Added added = store.add({ m_mp4, en, QString(), title });
        return added.lesson ? added.lesson->number : qint16(0);
    };
    QCOMPARE(add(QStringLiteral("uno")), qint16(30001));
    QCOMPARE(add(QStringLiteral("dos")), qint16(30002));
    QVERIFY(store.remove(30002));
    QVERIFY(!store.remove(30002));
    // The removed lesson's number stays used, even after the last lesson has gone.
    QCOMPARE(add(QStringLiteral("  tres\n ")), qint16(30003));
    QVERIFY(store.remove(30001));
    QVERIFY(store.remove(30003));
    QVERIFY(store.lessons().isEmpty());
    QCOMPARE(add(QStringLiteral("cuatro")), qint16(30004));
    QCOMPARE(store.lessons().first().title, QStringLiteral("cuatro"));
    QVERIFY(store.phrases(30001).isEmpty());
    QVERIFY(!store.remove(12)); // not an own lesson's number
}

void TestOwnLessons::removingKeepsTheFiles()
{
    const QString place = folder(QStringLiteral("remove"));
    const QString video = place + QStringLiteral("/peli.mp4");
    QVERIFY(QDir().mkpath(place));
    QVERIFY(QFile::copy(m_mp4, video));
    OwnVideoFiles::write(place + QStringLiteral("/peli.en.srt"), OwnVideoFiles::subRip(englishCues));
    OwnLessons store(learner());
    store.setVideoProbe(anyVideo);
    const OwnLessons::Added added = store.add({ video, {}, {}, {} });
    QVERIFY(added.lesson);
    // A take of the lesson, and one of a course lesson that must stay.
    const TakeStore takes(learner());
    const QString take = takes.newTakePath(added.lesson->number, 200);
    const QString other = takes.newTakePath(12, 200);
    OwnVideoFiles::write(take, "RIFF");
    OwnVideoFiles::write(other, "RIFF");
    QVERIFY(store.remove(added.lesson->number));
    QVERIFY(!QFile::exists(take));
    QVERIFY(!QDir(takes.lessonFolder(added.lesson->number)).exists());
    QVERIFY(QFile::exists(other));
    QVERIFY(QFile::exists(video));
    QVERIFY(QFile::exists(place + QStringLiteral("/peli.en.srt")));
    QVERIFY(store.phrases(added.lesson->number).isEmpty());
    QVERIFY(!store.lesson(added.lesson->number));
}

void TestOwnLessons::relocating()
{
    const QString place = folder(QStringLiteral("relocate"));
    const QString video = place + QStringLiteral("/antes.mp4");
    const QString moved = place + QStringLiteral("/después/ahora.mp4");
    QVERIFY(QDir().mkpath(place + QStringLiteral("/después")));
    QVERIFY(QFile::copy(m_mp4, video));
    OwnVideoFiles::write(place + QStringLiteral("/antes.es.srt"), OwnVideoFiles::subRip(spanishCues));
    OwnLessons store(learner());
    store.setVideoProbe(anyVideo);
    const OwnLessons::Added added = store.add({ video, {}, {}, {} });
    QVERIFY(added.lesson);
    QVERIFY(QFile::rename(video, moved));
    QString error;
    QVERIFY(!store.relocate(added.lesson->number, video, &error));
    QCOMPARE(error, OwnLessons::missingVideoText(video));
    QCOMPARE(error, QStringLiteral("No se encuentra el vídeo «%1».").arg(video));
    QVERIFY(!store.relocate(30999, moved));
    QVERIFY(store.relocate(added.lesson->number, moved, &error));
    QCOMPARE(store.lesson(added.lesson->number)->video, moved);
    QCOMPARE(store.phrases(added.lesson->number).size(), 3);
}

void TestOwnLessons::refusedAdds_data()
{
    QTest::addColumn<QString>("video");   // in the folder "bad"; "@" is the good MP4
    QTest::addColumn<QString>("english"); // NAME=CONTENT, made in "bad"
    QTest::addColumn<QString>("message");
    const QString good = QStringLiteral("@");
    QTest::newRow("no video") << QStringLiteral("nada.mp4") << QString()
                              << QStringLiteral("No se encuentra el vídeo «%1/bad/nada.mp4».").arg(m_dir.path());
    QTest::newRow("not a video") << QStringLiteral("texto.mp4=only words here") << QStringLiteral("texto.en.srt=1\n00:00:01,000 --> 00:00:02,000\nHi\n")
                                 << QStringLiteral("No se puede reproducir el vídeo «texto.mp4»");
    QTest::newRow("a video cut short") << QStringLiteral("corto.mp4=<cut>") << QStringLiteral("corto.en.srt=1\n00:00:01,000 --> 00:00:02,000\nHi\n")
                                       << QStringLiteral("No se puede reproducir el vídeo «corto.mp4»");
    QTest::newRow("a folder") << QStringLiteral("carpeta.mp4/") << QString()
                              << QStringLiteral("No se encuentra el vídeo «%1/bad/carpeta.mp4».").arg(m_dir.path());
    QTest::newRow("not subtitles") << good << QStringLiteral("notas.srt=just some words") << QStringLiteral("El archivo notas.srt no es un archivo de subtítulos");
    QTest::newRow("only empty cues") << good << QStringLiteral("vacío.srt=1\n00:00:01,000 --> 00:00:02,000\n<i> </i>\n")
                                     << QStringLiteral("El archivo de subtítulos vacío.srt no tiene ningún subtítulo con texto.");
    QTest::newRow("10 MB") << good << QStringLiteral("enorme.srt=*") << QStringLiteral("El archivo de subtítulos enorme.srt es demasiado grande");
    QTest::newRow("missing subtitles") << good << QStringLiteral("falta.srt") << QStringLiteral("No se encuentra el archivo de subtítulos falta.srt.");
    QTest::newRow("no subtitles at all") << good << QString() << QStringLiteral("El vídeo «film.mp4» no tiene subtítulos en inglés ni en español.");
}

void TestOwnLessons::refusedAdds()
{
    QFETCH(QString, video);
    QFETCH(QString, english);
    QFETCH(QString, message);
    const QString bad = folder(QStringLiteral("bad"));
    OwnLessons::Request request;
    if (video == QLatin1String("@")) {
        request.video = m_mp4;
    } else {
        const QStringList parts = video.split(QLatin1Char('='));
        request.video = bad + QLatin1Char('/') + parts[0];
        if (request.video.endsWith(QLatin1Char('/'))) {
            request.video.chop(1);
            QDir().mkpath(request.video);
        }
        QFile whole(m_mp4);
        if (parts.size() > 1 && whole.open(QIODevice::ReadOnly))
            OwnVideoFiles::write(request.video, parts[1] == QLatin1String("<cut>") ? whole.read(whole.size() / 3) : parts[1].toUtf8());
    }
    if (!english.isEmpty()) {
        const QStringList parts = english.split(QLatin1Char('='));
        request.english = bad + QLatin1Char('/') + parts[0];
        if (parts.size() > 1)
            OwnVideoFiles::write(request.english, parts[1] == QLatin1String("*") ? QByteArray(10 * 1024 * 1024, 'x') : parts[1].toUtf8());
    }
    OwnLessons store(learner());
    // One lesson there first: a refused add must leave the file as it was.
    store.setVideoProbe(anyVideo);
    const QString en = folder(QStringLiteral("first/a.en.srt"));
    OwnVideoFiles::write(en, OwnVideoFiles::subRip(englishCues));
    QVERIFY(store.add({ m_mp4, en, {}, {} }).lesson);
    const QByteArray before = contentsOf(store.databaseFile());
    // A file cut short can stall the decoders: given up after a while, a short one here.
    store.setVideoProbe([](const QString& file) { return VideoProbe::probe(file, 3000); });

    const OwnLessons::Added added = store.add(request);
    QVERIFY(!added.lesson);
    QVERIFY2(added.error.startsWith(message), qPrintable(added.error));
    QCOMPARE(contentsOf(store.databaseFile()), before);
    QCOMPARE(store.lessons().size(), 1);
}

void TestOwnLessons::aFullStore()
{
    OwnLessons store(learner());
    store.setVideoProbe(anyVideo);
    const QString en = folder(QStringLiteral("full/a.en.srt"));
    OwnVideoFiles::write(en, OwnVideoFiles::subRip(englishCues));
    QVERIFY(store.add({ m_mp4, en, {}, {} }).lesson);
    tamper(store.databaseFile(), "update meta set value = 32767 where name = 'NextNumber'");
    const OwnLessons::Added last = store.add({ m_mp4, en, {}, {} });
    QVERIFY(last.lesson);
    QCOMPARE(last.lesson->number, OwnLessons::LastNumber);
    const OwnLessons::Added refused = store.add({ m_mp4, en, {}, {} });
    QVERIFY(!refused.lesson);
    QVERIFY2(refused.error.startsWith(QStringLiteral("No caben más vídeos propios")), qPrintable(refused.error));
    QVERIFY(refused.error.contains(QStringLiteral("«film.mp4»")));
    QCOMPARE(store.lessons().size(), 2);
}

void TestOwnLessons::aReadOnlyLearnerFolder()
{
    if (geteuid() == 0)
        QSKIP("root writes into read-only folders");
    OwnLessons store(learner());
    store.setVideoProbe(anyVideo);
    const QString en = folder(QStringLiteral("readonly/a.en.srt"));
    OwnVideoFiles::write(en, OwnVideoFiles::subRip(englishCues));
    // With no file yet, and with one there (the journal cannot be made beside it).
    for (int round = 0; round < 2; ++round) {
        QVERIFY(QFile::setPermissions(learner(), QFile::ReadOwner | QFile::ExeOwner));
        const OwnLessons::Added added = store.add({ m_mp4, en, {}, {} });
        QVERIFY(QFile::setPermissions(learner(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(!added.lesson);
        QCOMPARE(added.error, QStringLiteral("No se pueden guardar tus vídeos en «%1».").arg(store.databaseFile()));
        QVERIFY(!added.detail.isEmpty());
        QVERIFY(store.add({ m_mp4, en, {}, {} }).lesson);
    }
    QCOMPARE(store.lessons().size(), 2);
}

void TestOwnLessons::aDamagedStore()
{
    OwnLessons store(learner());
    OwnVideoFiles::write(store.databaseFile(), QByteArray(4096, 'z'));
    try {
        store.lessons();
        QFAIL("a damaged file was read");
    } catch (const CourseError& error) {
        QVERIFY2(error.message().startsWith(QStringLiteral("No se puede leer la lista de tus vídeos «%1»").arg(store.databaseFile())),
            qPrintable(error.message()));
    }
    store.setVideoProbe(anyVideo);
    const QString en = folder(QStringLiteral("damaged/a.en.srt"));
    OwnVideoFiles::write(en, OwnVideoFiles::subRip(englishCues));
    const OwnLessons::Added added = store.add({ m_mp4, en, {}, {} });
    QVERIFY(!added.lesson);
    QCOMPARE(added.error, QStringLiteral("No se pueden guardar tus vídeos en «%1».").arg(store.databaseFile()));
    QCOMPARE(contentsOf(store.databaseFile()), QByteArray(4096, 'z'));
}

void TestOwnLessons::addsAtOnce()
{
    const QString en = folder(QStringLiteral("atonce/a.en.srt"));
    OwnVideoFiles::write(en, OwnVideoFiles::subRip(englishCues));
    // Several stores of one folder, as the player and the command line are.
    QList<qint16> numbers(6);
    std::vector<std::thread> adds;
    for (int i = 0; i < 6; ++i) {
        adds.emplace_back([&, i] {
            OwnLessons store(learner());
            store.setVideoProbe(anyVideo);
            const OwnLessons::Added added = store.add({ m_mp4, en, {}, {} });
            numbers[i] = added.lesson ? added.lesson->number : qint16(0);
        });
    }
    for (std::thread& add : adds)
        add.join();
    std::sort(numbers.begin(), numbers.end());
    QCOMPARE(numbers, (QList<qint16> { 30001, 30002, 30003, 30004, 30005, 30006 }));
    QCOMPARE(OwnLessons(learner()).lessons().size(), 6);
}

void TestOwnLessons::tracksInsideTheVideo_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QStringList>("codecs");    // video, audio, then each track's subtitle codec
    QTest::addColumn<QStringList>("tracks");    // en|es|es-ass|en-vtt, with its language tag after "="
    QTest::addColumn<QString>("beside");        // a Spanish file beside the video
    QTest::addColumn<QString>("phrases");
    QTest::addColumn<QString>("sources");       // "#N" of the English, "/" and of the Spanish ("file" for a file)
    const QString both = QStringLiteral("200 Hello there. / Hola.|1000 How are you? / ¿Qué tal?|2000 Fine, thanks. / Bien, gracias.");
    QTest::newRow("Matroska SubRip and ASS") << QStringLiteral("mkv") << QStringList { QStringLiteral("libx264"), QStringLiteral("aac"), QStringLiteral("srt"), QStringLiteral("ass") }
                                             << QStringList { QStringLiteral("en=eng"), QStringLiteral("es-ass=spa") } << QString() << both << QStringLiteral("#1/#2");
    QTest::newRow("Matroska, Spanish first") << QStringLiteral("mkv") << QStringList { QStringLiteral("libvpx-vp9"), QStringLiteral("libopus"), QStringLiteral("ass"), QStringLiteral("srt") }
                                             << QStringList { QStringLiteral("es-ass=es"), QStringLiteral("en=en") } << QString() << both << QStringLiteral("#2/#1");
    QTest::newRow("MP4 timed text") << QStringLiteral("mp4") << QStringList { QStringLiteral("libx264"), QStringLiteral("aac"), QStringLiteral("mov_text") }
                                    << QStringList { QStringLiteral("en=eng") } << QString()
                                    << QStringLiteral("200 Hello there. / |1000 How are you? / |2000 Fine, thanks. / ") << QStringLiteral("#1/");
    QTest::newRow("WebM WebVTT") << QStringLiteral("webm") << QStringList { QStringLiteral("libvpx"), QStringLiteral("libopus"), QStringLiteral("webvtt") }
                                 << QStringList { QStringLiteral("en-vtt=eng") } << QString()
                                 << QStringLiteral("200 Hello there. / |1000 How are you? / |2000 Fine, thanks. / ") << QStringLiteral("#1/");
    QTest::newRow("a file beside wins") << QStringLiteral("mkv") << QStringList { QStringLiteral("libx264"), QStringLiteral("aac"), QStringLiteral("srt"), QStringLiteral("srt") }
                                        << QStringList { QStringLiteral("en=eng"), QStringLiteral("en=spa") } << QStringLiteral("es") << both << QStringLiteral("#1/file");
    QTest::newRow("untagged and French") << QStringLiteral("mkv") << QStringList { QStringLiteral("libx264"), QStringLiteral("aac"), QStringLiteral("srt"), QStringLiteral("srt") }
                                         << QStringList { QStringLiteral("en="), QStringLiteral("es=fre") } << QString() << QString() << QString();
}

void TestOwnLessons::tracksInsideTheVideo()
{
    QFETCH(QString, container);
    QFETCH(QStringList, codecs);
    QFETCH(QStringList, tracks);
    QFETCH(QString, beside);
    QFETCH(QString, phrases);
    QFETCH(QString, sources);
    if (const QString missing = OwnVideoFiles::missingEncoder(codecs); !missing.isEmpty())
        QSKIP(qPrintable(QStringLiteral("ffmpeg has no %1").arg(missing)));
    const QString place = folder(QStringLiteral("tracks/%1").arg(QString::fromLatin1(QTest::currentDataTag())));
    OwnVideoFiles::write(place + QStringLiteral("/en.srt"), OwnVideoFiles::subRip(englishCues));
    OwnVideoFiles::write(place + QStringLiteral("/es.srt"), OwnVideoFiles::subRip(spanishCues));
    // The ASS and WebVTT inputs as ffmpeg writes them (styled, with the SubRip's tags made its own).
    MediaRecipes::runTool(QStringLiteral("ffmpeg"), { QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"), place + QStringLiteral("/es.srt"), place + QStringLiteral("/es-ass.ass") });
    MediaRecipes::runTool(QStringLiteral("ffmpeg"), { QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"), place + QStringLiteral("/en.srt"), place + QStringLiteral("/en-vtt.vtt") });
    QStringList inputs;
    QStringList extra;
    for (int at = 0; at < tracks.size(); ++at) {
        const QStringList parts = tracks[at].split(QLatin1Char('='));
        inputs << place + QLatin1Char('/') + parts[0] + (parts[0].endsWith(QLatin1String("-ass")) ? QStringLiteral(".ass") : parts[0].endsWith(QLatin1String("-vtt")) ? QStringLiteral(".vtt") : QStringLiteral(".srt"));
        extra << QStringLiteral("-c:s:%1").arg(at) << codecs[2 + at];
        if (!parts[1].isEmpty())
            extra << QStringLiteral("-metadata:s:s:%1").arg(at) << QStringLiteral("language=") + parts[1];
    }
    const QString video = place + QStringLiteral("/película.") + container;
    OwnVideoFiles::makeVideo(video, codecs[0], codecs[1], 3, inputs, extra);
    QFile::remove(place + QStringLiteral("/en.srt")); // not the video's name: never found beside it, but tidier
    if (!beside.isEmpty())
        QVERIFY(QFile::copy(place + QStringLiteral("/es.srt"), place + QStringLiteral("/película.es.srt")));
    QFile::remove(place + QStringLiteral("/es.srt"));

    OwnLessons store(learner());
    const OwnLessons::Added added = store.add({ video, {}, {}, {} });
    if (phrases.isEmpty()) {
        QCOMPARE(added.error, QStringLiteral("El vídeo «película.%1» no tiene subtítulos en inglés ni en español. Lleva 2 pistas de "
                                             "subtítulos en otro idioma o sin idioma: elige tú los archivos.")
                                  .arg(container));
        return;
    }
    QVERIFY2(added.lesson, qPrintable(added.error + QLatin1Char(' ') + added.detail));
    // ffmpeg starts every stream a few milliseconds late to make room for the sound
    // coder's delay (23 ms with AAC): the cues keep their place against the picture.
    QList<OwnLessons::Phrase> read = store.phrases(added.lesson->number);
    QVERIFY(!read.isEmpty());
    const qint32 shift = read.first().mseg - 200;
    QVERIFY2(shift >= 0 && shift <= 50, qPrintable(QString::number(shift)));
    for (OwnLessons::Phrase& phrase : read)
        phrase.mseg -= shift;
    QCOMPARE(written(read), phrases);
    const auto sourceOf = [&](const QString& kept) { return kept.startsWith(video + QLatin1Char('#')) ? kept.mid(video.size()) : kept.isEmpty() ? QString() : QStringLiteral("file"); };
    QCOMPARE(sourceOf(added.lesson->english) + QLatin1Char('/') + sourceOf(added.lesson->spanish), sources);
}

void TestOwnLessons::tracksThatCannotBeRead()
{
    // A Matroska file cut short in its header; and a pipeline given no time at all.
    const QString cut = folder(QStringLiteral("cut/corto.mkv"));
    OwnVideoFiles::makeVideo(folder(QStringLiteral("cut/whole.mkv")), QStringLiteral("libx264"), QStringLiteral("aac"));
    QFile whole(folder(QStringLiteral("cut/whole.mkv")));
    QVERIFY(whole.open(QIODevice::ReadOnly));
    OwnVideoFiles::write(cut, whole.read(300));
    const EmbeddedSubtitles::Result broken = EmbeddedSubtitles::read(cut);
    QVERIFY(broken.tracks.isEmpty());
    QCOMPARE(broken.error, QStringLiteral("No se pueden leer los subtítulos que lleva dentro el vídeo «corto.mkv»."));
    QVERIFY(!broken.detail.isEmpty());
    const EmbeddedSubtitles::Result stalled = EmbeddedSubtitles::read(m_mp4, 0);
    QCOMPARE(stalled.error, QStringLiteral("No se pueden leer los subtítulos que lleva dentro el vídeo «film.mp4»."));
    QVERIFY2(stalled.detail.contains(QStringLiteral("0 ms")), qPrintable(stalled.detail));
}

QTEST_GUILESS_MAIN(TestOwnLessons)
#include "tst_ownlessons.moc"
