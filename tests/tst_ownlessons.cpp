// The learner's own videos as lessons: added from real videos and subtitle files made by
// ffmpeg here, kept in the learner folder's own database, removed and pointed elsewhere;
// and every way an add can go wrong leaves the store as it was.
#include "CourseError.h"
#include "OwnLessons.h"
#include "OwnVideoFiles.h"
#include "OwnVideoFolders.h"
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

using OwnVideoFiles::englishCues;
using OwnVideoFiles::spanishCues;
using OwnVideoFiles::written;

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
    void aCourseNumberingLessonsAsHighAsOurs_data();
    void aCourseNumberingLessonsAsHighAsOurs();
    void cleanup() { OwnLessons::setCourseHighest(0); }
    void aStoreOlderThanThePhrasesEnds();
    void controlCharactersOfACueAreNotStored();
    void aReadOnlyLearnerFolder();
    void aDamagedStore();
    void addsAtOnce();
    void withoutALearnerFolderNothingIsWrittenWhereTheProgramRuns();

private:
    QString folder(const QString& name) const { return m_folders.folder(name); }
    QString learner() const { return m_folders.learner(); }
    OwnVideoFolders m_folders;
    QString m_mp4;
};

void TestOwnLessons::initTestCase()
{
    if (const QString skip = m_folders.prepare(); !skip.isEmpty())
        QSKIP(qPrintable(skip));
    m_mp4 = m_folders.mp4();
}

void TestOwnLessons::init()
{
    m_folders.renewLearner();
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
                                               << QStringList { QStringLiteral("film.en.srt: 1 subtítulo acababa antes de empezar; se ha corregido.") };
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

    // Only takes go: a file of the learner's own in the lesson's folder stays, and a
    // folder that links elsewhere is never followed.
    const OwnLessons::Added second = store.add({ video, {}, {}, {} });
    QVERIFY(second.lesson);
    const QString notes = takes.lessonFolder(second.lesson->number) + QStringLiteral("/notas.txt");
    OwnVideoFiles::write(takes.newTakePath(second.lesson->number, 200), "RIFF");
    OwnVideoFiles::write(notes, "mías");
    QVERIFY(store.remove(second.lesson->number));
    QVERIFY(QFile::exists(notes));
    QCOMPARE(QDir(takes.lessonFolder(second.lesson->number)).entryList(QDir::Files), QStringList { QStringLiteral("notas.txt") });
    const OwnLessons::Added third = store.add({ video, {}, {}, {} });
    QVERIFY(third.lesson);
    const QString elsewhere = folder(QStringLiteral("precious"));
    QVERIFY(QDir().mkpath(elsewhere));
    OwnVideoFiles::write(elsewhere + QStringLiteral("/frase-200-20260101-000000000Z.wav"), "RIFF");
    QVERIFY(QFile::link(elsewhere, takes.lessonFolder(third.lesson->number)));
    QVERIFY(store.remove(third.lesson->number));
    QVERIFY(QFile::exists(elsewhere + QStringLiteral("/frase-200-20260101-000000000Z.wav")));
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
    // A file that is not a video is no new place for it: the lesson stays as it was.
    const QString text = place + QStringLiteral("/notas.mp4");
    OwnVideoFiles::write(text, "no soy un vídeo");
    OwnLessons probing(learner());
    QVERIFY(!probing.relocate(added.lesson->number, text, &error));
    QVERIFY2(error.contains(QStringLiteral("No se puede reproducir el vídeo")) && error.contains(QStringLiteral("notas.mp4")), qPrintable(error));
    QCOMPARE(store.lesson(added.lesson->number)->video, QFileInfo(video).absoluteFilePath());
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
                              << QStringLiteral("No se encuentra el vídeo «%1/bad/nada.mp4».").arg(m_folders.root());
    QTest::newRow("not a video") << QStringLiteral("texto.mp4=only words here") << QStringLiteral("texto.en.srt=1\n00:00:01,000 --> 00:00:02,000\nHi\n")
                                 << QStringLiteral("No se puede reproducir el vídeo «texto.mp4»");
    QTest::newRow("a video cut short") << QStringLiteral("corto.mp4=<cut>") << QStringLiteral("corto.en.srt=1\n00:00:01,000 --> 00:00:02,000\nHi\n")
                                       << QStringLiteral("No se puede reproducir el vídeo «corto.mp4»");
    QTest::newRow("a folder") << QStringLiteral("carpeta.mp4/") << QString()
                              << QStringLiteral("«%1/bad/carpeta.mp4» no es un archivo de vídeo.").arg(m_folders.root());
    QTest::newRow("a device") << QStringLiteral("/dev/zero") << QString() << QStringLiteral("«/dev/zero» no es un archivo de vídeo.");
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
        request.video = parts[0].startsWith(QLatin1Char('/')) ? parts[0] : bad + QLatin1Char('/') + parts[0];
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

void TestOwnLessons::aCourseNumberingLessonsAsHighAsOurs_data()
{
    QTest::addColumn<int>("courseHighest");
    QTest::addColumn<int>("moving");   ///< how many of the two stored lessons get new numbers
    QTest::addColumn<int>("expected"); ///< the next lesson's number; 0: refused
    QTest::newRow("course below ours") << 120 << 0 << 30003;
    QTest::newRow("course up to 30001") << 30001 << 1 << 30004;
    QTest::newRow("course up to 30010") << 30010 << 2 << 30013;
    QTest::newRow("no room to move them") << 32766 << 0 << 32767;
    QTest::newRow("no number left") << 32767 << 0 << 0;
}

void TestOwnLessons::aCourseNumberingLessonsAsHighAsOurs()
{
    QFETCH(int, courseHighest);
    QFETCH(int, moving);
    QFETCH(int, expected);
    // Two lessons stored before the course took their numbers; the first has takes.
    OwnLessons store(learner());
    store.setVideoProbe(anyVideo);
    const QString en = folder(QStringLiteral("course/a.en.srt"));
    OwnVideoFiles::write(en, OwnVideoFiles::subRip(englishCues));
    QCOMPARE(store.add({ m_mp4, en, {}, QStringLiteral("primera") }).lesson->number, OwnLessons::FirstNumber);
    QCOMPARE(store.add({ m_mp4, en, {}, QStringLiteral("segunda") }).lesson->number, qint16(OwnLessons::FirstNumber + 1));
    const qsizetype phrases = store.phrases(OwnLessons::FirstNumber).size();
    QVERIFY(phrases > 0);
    // Each phrase keeps its cue's end.
    QCOMPARE(store.phrases(OwnLessons::FirstNumber).front().endMs, 900);
    const QString take = TakeStore(learner()).newTakePath(OwnLessons::FirstNumber, 500);
    OwnVideoFiles::write(take, "RIFF");

    OwnLessons::setCourseHighest(courseHighest);
    QVERIFY(!OwnLessons::isOwnLesson(courseHighest));
    const QList<std::pair<qint16, qint16>> moved = store.renumberColliding();
    QCOMPARE(int(moved.size()), moving);
    for (const auto& [from, to] : moved) {
        QVERIFY(to > courseHighest);
        QCOMPARE(store.lesson(to)->title, from == OwnLessons::FirstNumber ? QStringLiteral("primera") : QStringLiteral("segunda"));
        QCOMPARE(store.phrases(to).size(), phrases);
    }
    const bool firstInTheWay = courseHighest >= OwnLessons::FirstNumber;
    // Its takes go with it; with no room they stay (the lesson out of sight, never lost).
    QCOMPARE(QFile::exists(take), moving == 0);
    if (moving)
        QCOMPARE(QDir(TakeStore(learner()).lessonFolder(moved.front().second)).entryList(QDir::Files).size(), 1);
    QCOMPARE(int(store.lessons().size()), firstInTheWay ? moving + (courseHighest == 30001 ? 1 : 0) : 2);
    for (const OwnLessons::Lesson& lesson : store.lessons())
        QVERIFY(OwnLessons::isOwnLesson(lesson.number));

    const OwnLessons::Added added = store.add({ m_mp4, en, {}, {} });
    if (expected == 0) {
        QVERIFY(!added.lesson);
        QVERIFY2(added.error.contains(QStringLiteral("32767")), qPrintable(added.error));
        return;
    }
    QVERIFY2(added.lesson, qPrintable(added.error));
    QCOMPARE(int(added.lesson->number), expected);
}

void TestOwnLessons::aStoreOlderThanThePhrasesEnds()
{
    OwnLessons store(learner());
    store.setVideoProbe(anyVideo);
    const QString en = folder(QStringLiteral("older/a.en.srt"));
    OwnVideoFiles::write(en, OwnVideoFiles::subRip(englishCues));
    QVERIFY(store.add({ m_mp4, en, {}, {} }).lesson);
    tamper(store.databaseFile(), "alter table phrases drop column end_ms; pragma user_version = 1");
    // Read as it is: its phrases end at the next one's start.
    QCOMPARE(store.phrases(OwnLessons::FirstNumber).front().endMs, 0);
    QCOMPARE(store.phrases(OwnLessons::FirstNumber).size(), englishCues.size());
    // The next add gives it the column; the new lesson keeps its ends, the old stays as it was.
    const OwnLessons::Added added = store.add({ m_mp4, en, {}, {} });
    QVERIFY2(added.lesson, qPrintable(added.error));
    QCOMPARE(store.phrases(added.lesson->number).front().endMs, 900);
    QCOMPARE(store.phrases(OwnLessons::FirstNumber).front().endMs, 0);
}

void TestOwnLessons::controlCharactersOfACueAreNotStored()
{
    OwnLessons store(learner());
    store.setVideoProbe(anyVideo);
    const QString en = folder(QStringLiteral("control/a.en.srt"));
    OwnVideoFiles::write(en, QByteArray("1\n00:00:00,500 --> 00:00:01,500\nHel\0lo\x1b\tthere\x7f.\n", 48));
    const OwnLessons::Added added = store.add({ m_mp4, en, {}, {} });
    QVERIFY2(added.lesson, qPrintable(added.error));
    QCOMPARE(store.phrases(added.lesson->number).front().frase_en, QStringLiteral("Hello there."));
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

    // A counter set back by hand gives no number in use again, and rows of numbers no
    // lesson of ours may have are not listed.
    OwnLessons other(QDir(learner()).filePath(QStringLiteral("otro")));
    QVERIFY(QDir().mkpath(QDir(learner()).filePath(QStringLiteral("otro"))));
    other.setVideoProbe(anyVideo);
    QCOMPARE(other.add({ m_mp4, en, {}, {} }).lesson->number, OwnLessons::FirstNumber);
    tamper(other.databaseFile(), "update meta set value = 30001 where name = 'NextNumber'");
    tamper(other.databaseFile(), "insert into lessons (number, title, video, english, spanish, duration_ms, width, height, added, "
                                 "phrase_count) select 5, title, video, english, spanish, duration_ms, width, height, added, "
                                 "phrase_count from lessons");
    const OwnLessons::Added after = other.add({ m_mp4, en, {}, {} });
    QVERIFY2(after.lesson, qPrintable(after.error));
    QCOMPARE(after.lesson->number, qint16(OwnLessons::FirstNumber + 1));
    QCOMPARE(other.lessons().size(), 2);
    QCOMPARE(other.lessons().front().number, OwnLessons::FirstNumber);
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

void TestOwnLessons::withoutALearnerFolderNothingIsWrittenWhereTheProgramRuns()
{
    const QString place = folder(QStringLiteral("nofolder"));
    QVERIFY(QDir().mkpath(place + QStringLiteral("/tomas/leccion-30001")));
    const QString video = place + QStringLiteral("/peli.mp4");
    QVERIFY(QFile::copy(m_mp4, video));
    OwnVideoFiles::write(place + QStringLiteral("/peli.en.srt"), OwnVideoFiles::subRip(englishCues));
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(place));
    OwnLessons store {QString()};
    store.setVideoProbe(anyVideo);
    const OwnLessons::Added added = store.add({ video, {}, {}, {} });
    QString error;
    const bool removed = store.remove(OwnLessons::FirstNumber, &error);
    QVERIFY(QDir::setCurrent(before));
    QVERIFY(!added.lesson);
    QVERIFY2(added.error.contains(QStringLiteral("carpeta de datos")), qPrintable(added.error));
    QVERIFY(!removed);
    QVERIFY(!error.isEmpty());
    QVERIFY(store.lessons().isEmpty());
    QVERIFY(!QFile::exists(place + QLatin1Char('/') + OwnLessons::FileName));
    QVERIFY(QDir(place + QStringLiteral("/tomas/leccion-30001")).exists());
}

QTEST_GUILESS_MAIN(TestOwnLessons)
#include "tst_ownlessons.moc"
