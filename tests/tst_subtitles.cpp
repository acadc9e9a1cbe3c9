// Subtitle files as learners keep them beside their films: SubRip, WebVTT and SSA/ASS in
// every encoding editors write, read into cues of plain text, and the English and the
// Spanish cues paired into phrases. Real files are made by ffmpeg here.
#include "PhrasePairing.h"
#include "SubtitleFinder.h"
#include "SubtitleReader.h"

#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Problem = SubtitleReader::Problem;

// Cues as "start-end text", joined by "|".
QString written(const SubtitleCues& cues)
{
    QStringList parts;
    for (const SubtitleCue& cue : cues)
        parts << QStringLiteral("%1-%2 %3").arg(cue.startMs).arg(cue.endMs).arg(cue.text);
    return parts.join(QLatin1Char('|'));
}

// The reverse, for the pairing's tables.
SubtitleCues cuesOf(const QString& text)
{
    SubtitleCues cues;
    for (const QString& part : text.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        const qsizetype dash = part.indexOf(QLatin1Char('-'));
        const qsizetype space = part.indexOf(QLatin1Char(' '));
        cues << SubtitleCue { part.left(dash).toLongLong(), part.mid(dash + 1, space - dash - 1).toLongLong(), part.mid(space + 1) };
    }
    return cues;
}

QString written(const QList<PairedPhrase>& phrases)
{
    QStringList parts;
    for (const PairedPhrase& p : phrases)
        parts << QStringLiteral("%1-%2 %3 / %4").arg(p.startMs).arg(p.endMs).arg(p.english, p.spanish);
    return parts.join(QLatin1Char('|'));
}

QByteArray manyCues(int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += QStringLiteral("%1\n00:%2:%3,000 --> 00:%2:%3,500\nline %1\n\n").arg(i + 1).arg(i / 60 % 60, 2, 10, QLatin1Char('0')).arg(i % 60, 2, 10, QLatin1Char('0')).toUtf8();
    return out;
}

} // namespace

class TestSubtitles : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void encodings_data();
    void encodings();
    void filesWrittenByFfmpeg();
    void filesThatCannotBeRead_data();
    void filesThatCannotBeRead();
    void pairing_data();
    void pairing();
    void foundBesideTheVideo_data();
    void foundBesideTheVideo();
};

void TestSubtitles::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("cues"); // or the problem's number
    QTest::addColumn<int>("problem");
    const auto ok = [](const char* name, const QByteArray& bytes, const char* cues) {
        QTest::newRow(name) << bytes << QString::fromUtf8(cues) << int(Problem::None);
    };
    const auto refused = [](const char* name, const QByteArray& bytes, Problem problem) {
        QTest::newRow(name) << bytes << QString() << int(problem);
    };
    ok("SubRip", "1\n00:00:01,000 --> 00:00:02,500\nHello there.\n\n2\n00:00:03,000 --> 00:00:04,000\n<i>How</i> are\nyou?\n",
        "1000-2500 Hello there.|3000-4000 How are you?");
    ok("SubRip with CR LF and a mark", "\xEF\xBB\xBF" "1\r\n00:00:01,000 --> 00:00:02,000\r\n<b>Hi</b>, <font color=\"#ff0000\">Ann</font>\r\n\r\n",
        "1000-2000 Hi, Ann");
    ok("SubRip without blank lines", "1\n00:00:01,000 --> 00:00:02,000\nOne\n2\n00:00:03,000 --> 00:00:04,000\nTwo\n00:00:05,000 --> 00:00:06,000\nThree",
        "1000-2000 One|3000-4000 Two|5000-6000 Three");
    ok("SubRip fractions and positions", "00:00:01,5 --> 00:00:02,25 X1:10 X2:20\n{\\an8}Top  line\n", "1500-2250 Top line");
    ok("a < that opens no tag", "00:00:01,000 --> 00:00:02,000\n1 < 2 <3 & more\n", "1000-2000 1 < 2 <3 & more");
    ok("WebVTT", "WEBVTT - film\n\nNOTE a note\nover two lines\n\nSTYLE\n::cue { color: red }\n\nintro\n00:01.000 --> 00:02.000 align:start position:10%\n"
                 "<v Bob>Hi &amp; <c.loud>bye</c></v>\n\n00:00:03.500 --> 00:00:04.000 line:0\nTom &lt;3 <00:00:03.750>you&nbsp;<ruby>all<rt>ol</rt></ruby>\n",
        "1000-2000 Hi & bye|3500-4000 Tom <3 you all");
    ok("ASS", "[Script Info]\nScriptType: v4.00+\n\n[V4+ Styles]\nFormat: Name, Fontname\nStyle: Default,Arial\n\n[Events]\n"
              "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
              "Comment: 0,0:00:00.00,0:00:01.00,Default,,0,0,0,,hidden\n"
              "Dialogue: 0,0:00:01.50,0:00:03.00,Default,,0,0,0,,{\\an8\\i1}Well,{\\i0} hello\\Nworld\n"
              "Dialogue: 0,0:00:04.00,0:00:05.00,Default,,0,0,0,,{\\p1}m 0 0 l 10 0 10 10{\\p0}Sign\\hhere{a note}\n",
        "1500-3000 Well, hello world|4000-5000 Sign here");
    ok("SSA with its own format", "[Script Info]\n[Events]\nFormat: Marked, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
                                  "Dialogue: Marked=0,0:00:01.00,0:00:02.00,*Default,NTP,0000,0000,0000,!Effect,Hi, you\n",
        "1000-2000 Hi, you");
    // Sorted by start; the empty cue dropped; the backwards one ends where the next starts.
    ok("sorted and mended", "1\n00:00:05,000 --> 00:00:06,000\nlater\n\n2\n00:00:01,000 --> 00:00:00,500\nbackwards\n\n3\n00:00:02,000 --> 00:00:03,000\n<i></i>\n\n"
                            "4\n00:00:02,500 --> 00:00:07,000\noverlapping\n",
        "1000-2500 backwards|2500-7000 overlapping|5000-6000 later");
    ok("the last cue backwards", "00:00:10,000 --> 00:00:09,000\nx\n", "10000-12000 x");
    ok("a time that cannot be read", "1\n00:00:01,000 --> 00:00:02,000\nok\n\n2\n00:61:00,000 --> 00:62:00,000\nbad minutes\n", "1000-2000 ok");
    refused("empty", "", Problem::NotSubtitles);
    refused("words", "These are words,\nnot subtitles.\n", Problem::NotSubtitles);
    refused("binary", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), Problem::NotSubtitles);
    refused("WebVTT without cues", "WEBVTT\n\n", Problem::NoCues);
    refused("only empty cues", "1\n00:00:01,000 --> 00:00:02,000\n<i> </i>\n", Problem::NoCues);
    refused("a broken dialogue", "[Events]\nDialogue: 0,broken\n", Problem::NoCues);
    refused("beyond 100 hours", "101:00:00,000 --> 101:00:01,000\nlate\n", Problem::NoCues);
    refused("too many cues", manyCues(SubtitleReader::kMaxCues + 1), Problem::TooManyCues);
    refused("too large", QByteArray(SubtitleReader::kMaxFileBytes + 1, 'a'), Problem::TooLarge);
}

void TestSubtitles::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, cues);
    QFETCH(int, problem);
    const SubtitleReader::Result result = SubtitleReader::parse(bytes);
    QCOMPARE(int(result.problem), problem);
    QCOMPARE(result.error.isEmpty(), problem == int(Problem::None));
    QCOMPARE(written(result.cues), cues);
}

void TestSubtitles::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QString text = QStringLiteral("1\n00:00:01,000 --> 00:00:02,000\n¿Qué tal, señor? — “bien”\n");
    const auto encoded = [&](QStringConverter::Encoding encoding, bool mark) {
        QStringEncoder encoder(encoding, mark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
        return QByteArray(encoder.encode(text));
    };
    QTest::newRow("UTF-8") << encoded(QStringConverter::Utf8, false);
    QTest::newRow("UTF-8 with its mark") << encoded(QStringConverter::Utf8, true);
    QTest::newRow("UTF-16 LE with its mark") << encoded(QStringConverter::Utf16LE, true);
    QTest::newRow("UTF-16 BE with its mark") << encoded(QStringConverter::Utf16BE, true);
    QTest::newRow("UTF-16 LE without a mark") << encoded(QStringConverter::Utf16LE, false);
    QTest::newRow("UTF-16 BE without a mark") << encoded(QStringConverter::Utf16BE, false);
    QTest::newRow("Windows-1252") << QByteArray("1\n00:00:01,000 --> 00:00:02,000\n\xBFQu\xE9 tal, se\xF1or? \x97 \x93" "bien\x94\n");
}

void TestSubtitles::encodings()
{
    QFETCH(QByteArray, bytes);
    QCOMPARE(written(SubtitleReader::parse(bytes).cues), QStringLiteral("1000-2000 ¿Qué tal, señor? — “bien”"));
}

void TestSubtitles::filesWrittenByFfmpeg()
{
    // One SubRip file, as a learner's editor writes it, and ffmpeg's WebVTT and ASS of it:
    // the same cues from all three (times in hundredths, which ASS keeps).
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("Mis películas"));
    QVERIFY(QDir().mkpath(folder));
    const QString srt = folder + QStringLiteral("/la película.en.srt");
    QFile out(srt);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("1\n00:00:01,250 --> 00:00:03,500\n<i>Where are</i>\nyou going?\n\n2\n00:00:04,000 --> 00:00:05,120\n- To Espa\xC3\xB1" "a.\n- Now?\n\n"
              "3\n01:02:03,450 --> 01:02:04,000\nThe end\n\n");
    out.close();
    const QString expected = QStringLiteral("1250-3500 Where are you going?|4000-5120 - To España. - Now?|3723450-3724000 The end");
    QCOMPARE(written(SubtitleReader::read(srt).cues), expected);
    for (const char* extension : { "vtt", "ass" }) {
        const QString made = folder + QStringLiteral("/la película.en.") + QLatin1String(extension);
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"), { QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"), srt, made });
        QVERIFY(ffmpeg.waitForFinished(30000));
        QVERIFY2(ffmpeg.exitCode() == 0, ffmpeg.readAllStandardError().constData());
        const SubtitleReader::Result result = SubtitleReader::read(made);
        QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
        QCOMPARE(SubtitleReader::formatName(result.format), QLatin1String(extension) == QLatin1String("vtt") ? QStringLiteral("WebVTT") : QStringLiteral("SSA/ASS"));
        QCOMPARE(written(result.cues), expected);
    }
}

void TestSubtitles::filesThatCannotBeRead_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents"); // a folder when null
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "no está.srt" << QByteArray("") << "No se encuentra el archivo de subtítulos no está.srt.";
    QTest::newRow("a folder") << "carpeta.srt" << QByteArray() << "No se puede leer el archivo de subtítulos carpeta.srt.";
    QTest::newRow("a picture") << "foto.srt" << QByteArray("\xFF\xD8\xFF\xE0\0\x10JFIF", 10)
                               << "El archivo foto.srt no es un archivo de subtítulos (SubRip, WebVTT o SSA/ASS).";
    QTest::newRow("no cues") << "vacío.vtt" << QByteArray("WEBVTT\n") << "El archivo de subtítulos vacío.vtt no tiene ningún subtítulo con texto.";
    QTest::newRow("too large") << "enorme.srt" << QByteArray(10 * 1024 * 1024, '\n')
                               << "El archivo de subtítulos enorme.srt es demasiado grande (10 MB; se admiten hasta 8 MB).";
}

void TestSubtitles::filesThatCannotBeRead()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (contents.isNull()) {
        QVERIFY(QDir().mkdir(path));
    } else if (!contents.isEmpty()) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(contents);
    }
    const SubtitleReader::Result result = SubtitleReader::read(path);
    QCOMPARE(result.error, message);
    QVERIFY(result.cues.isEmpty());
}

void TestSubtitles::pairing_data()
{
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("spanish");
    QTest::addColumn<QString>("phrases");
    QTest::newRow("one to one") << "1000-2000 Hi|3000-4000 Bye" << "1100-2100 Hola|2900-4100 Adiós"
                                << "1000-2000 Hi / Hola|3000-4000 Bye / Adiós";
    QTest::newRow("one English over two Spanish") << "1000-5000 A long sentence" << "1000-2500 Una frase|2600-5000 larga"
                                                  << "1000-5000 A long sentence / Una frase larga";
    QTest::newRow("one Spanish over two English") << "1000-2000 One|2000-3000 Two" << "900-3100 Uno y dos"
                                                  << "1000-2000 One / Uno y dos|2000-3000 Two / Uno y dos";
    QTest::newRow("the one overlapping most") << "1000-3000 A|3000-5000 B|5000-6000 C" << "2500-4500 Be|4900-6100 Ce"
                                              << "1000-3000 A / Be|3000-5000 B / Be|5000-6000 C / Ce";
    QTest::newRow("no Spanish") << "1000-2000 Hi" << "" << "1000-2000 Hi / ";
    QTest::newRow("no English") << "" << "1000-2000 Hola|3000-4000 Adiós" << "1000-2000  / Hola|3000-4000  / Adiós";
    QTest::newRow("nothing overlaps") << "1000-2000 Hi" << "5000-6000 Lejos" << "1000-2000 Hi / ";
    QTest::newRow("English cues starting together") << "1000-2000 -Who?|1000-2500 -Me.|3000-4000 Ok" << "1000-2500 -¿Quién? -Yo."
                                                    << "1000-2500 -Who? -Me. / -¿Quién? -Yo.|3000-4000 Ok / ";
    QTest::newRow("overlapping English cues") << "1000-4000 First|2000-3000 Second" << "1000-4000 Primero|2000-3000 Segundo"
                                              << "1000-4000 First / Primero|2000-3000 Second / Segundo";
}

void TestSubtitles::pairing()
{
    QFETCH(QString, english);
    QFETCH(QString, spanish);
    QFETCH(QString, phrases);
    QCOMPARE(written(PhrasePairing::pair(cuesOf(english), cuesOf(spanish))), phrases);
}

void TestSubtitles::foundBesideTheVideo_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("spanish");
    QTest::newRow("two letters") << QStringList { "film.en.srt", "film.es.srt" } << "film.en.srt" << "film.es.srt";
    QTest::newRow("three letters and words") << QStringList { "film.eng.vtt", "film.Spanish.ass" } << "film.eng.vtt" << "film.Spanish.ass";
    QTest::newRow("regions") << QStringList { "film.en-GB.srt", "film.es_419.srt" } << "film.en-GB.srt" << "film.es_419.srt";
    QTest::newRow("SubRip first, then fewer tags") << QStringList { "film.en.ass", "film.en.srt", "film.es.sdh.srt", "film.es.srt", "film.es.vtt" }
                                                   << "film.en.srt" << "film.es.srt";
    QTest::newRow("forced passed over") << QStringList { "film.es.forced.srt", "film.spa.vtt" } << "" << "film.spa.vtt";
    QTest::newRow("other videos and other files") << QStringList { "film2.en.srt", "film.en.txt", "film.srt", "film.fr.srt", "film.es.srt.bak" } << ""
                                                  << "";
    QTest::newRow("accents and spaces") << QStringList { "film.inglés.srt", "film.español.srt" } << "film.inglés.srt" << "film.español.srt";
}

void TestSubtitles::foundBesideTheVideo()
{
    QFETCH(QStringList, files);
    QFETCH(QString, english);
    QFETCH(QString, spanish);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Mis vídeos"));
    QVERIFY(QDir().mkpath(folder));
    for (const QString& name : files + QStringList { QStringLiteral("film.mp4") }) {
        QFile f(folder + QLatin1Char('/') + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const SubtitleFinder::Found found = SubtitleFinder::beside(folder + QStringLiteral("/film.mp4"));
    QCOMPARE(found.english, english.isEmpty() ? QString() : folder + QLatin1Char('/') + english);
    QCOMPARE(found.spanish, spanish.isEmpty() ? QString() : folder + QLatin1Char('/') + spanish);
}

QTEST_MAIN(TestSubtitles)
#include "tst_subtitles.moc"
