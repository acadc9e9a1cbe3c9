// The subtitle tracks inside the learner's own videos (Matroska, WebM, MP4), made by
// ffmpeg here: each language's track found by its tag and made the lesson's phrases, a
// file beside the video before them, and files that cannot be read refused by name.
#include "EmbeddedSubtitles.h"
#include "MediaRecipes.h"
#include "OwnLessons.h"
#include "OwnVideoFiles.h"
#include "OwnVideoFolders.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using OwnVideoFiles::englishCues;
using OwnVideoFiles::spanishCues;
using OwnVideoFiles::written;

class TestOwnLessonTracks : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void tracksInsideTheVideo_data();
    void tracksInsideTheVideo();
    void tracksThatCannotBeRead();

private:
    QString folder(const QString& name) const { return m_folders.folder(name); }
    QString learner() const { return m_folders.learner(); }
    OwnVideoFolders m_folders;
    QString m_mp4;
};

void TestOwnLessonTracks::initTestCase()
{
    if (const QString skip = m_folders.prepare(); !skip.isEmpty())
        QSKIP(qPrintable(skip));
    m_mp4 = m_folders.mp4();
}

void TestOwnLessonTracks::init()
{
    m_folders.renewLearner();
}

void TestOwnLessonTracks::tracksInsideTheVideo_data()
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

void TestOwnLessonTracks::tracksInsideTheVideo()
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

void TestOwnLessonTracks::tracksThatCannotBeRead()
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

QTEST_GUILESS_MAIN(TestOwnLessonTracks)
#include "tst_ownlessontracks.moc"
