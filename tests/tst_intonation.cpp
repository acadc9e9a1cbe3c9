// The intonation of an utterance: its pitch contour and where its speech starts (aubio),
// read from a WAV take or from a video's own sound track, and drawn rising where the
// voice rises.
#include "Intonation.h"
#include "IntonationView.h"
#include "MediaRecipes.h"
#include "SoundTrackReader.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

namespace {

/// The median of the voiced values of PITCH between the fractions FROM and TO of its length.
double voicedMedian(const std::vector<float>& pitch, double from, double to)
{
    std::vector<float> voiced;
    for (size_t i = size_t(from * double(pitch.size())); i < size_t(to * double(pitch.size())); ++i)
        if (pitch[i] > 0)
            voiced.push_back(pitch[i]);
    if (voiced.empty())
        return 0;
    std::nth_element(voiced.begin(), voiced.begin() + long(voiced.size() / 2), voiced.end());
    return voiced[voiced.size() / 2];
}

} // namespace

class TestIntonation : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString sox(const QString& name, const QStringList& effects)
    {
        const QString path = m_dir.filePath(name);
        MediaRecipes::runTool(QStringLiteral("sox"), QStringList { QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("48000"),
                                                         QStringLiteral("-b"), QStringLiteral("16"), QStringLiteral("-c"), QStringLiteral("1"), path }
                + effects);
        return path;
    }

private slots:
    void aGlidesContourRisesOrFalls_data()
    {
        QTest::addColumn<QString>("sweep");
        QTest::addColumn<bool>("rising");
        QTest::newRow("rising") << "180-360" << true;
        QTest::newRow("falling") << "360-180" << false;
    }

    void aGlidesContourRisesOrFalls()
    {
        QFETCH(QString, sweep);
        QFETCH(bool, rising);
        const QString file = sox(QStringLiteral("glide-%1.wav").arg(sweep),
            { QStringLiteral("synth"), QStringLiteral("2"), QStringLiteral("sine"), sweep, QStringLiteral("vol"), QStringLiteral("0.5") });
        int rate = 0;
        std::vector<float> samples = Intonation::readWave(file, rate);
        const Intonation glide = Intonation::analyse(std::move(samples), rate);
        QCOMPARE(rate, 48000);
        QCOMPARE(glide.seconds(), 2.0);
        const double start = voicedMedian(glide.pitchHz, 0.05, 0.25);
        const double end = voicedMedian(glide.pitchHz, 0.75, 0.95);
        QVERIFY2(start > 0 && end > 0, "the glide is not voiced");
        QVERIFY2(rising ? end > start * 1.5 : start > end * 1.5, qPrintable(QStringLiteral("%1 Hz to %2 Hz").arg(start).arg(end)));
        // Drawn, the contour goes up the lane (smaller y) as the voice rises.
        IntonationView view;
        view.setUtterances(glide, glide);
        const QPolygonF line = view.contour(glide, QRectF(0, 0, 400, 100));
        QVERIFY(line.size() > 20);
        QVERIFY2(rising ? line.front().y() > line.back().y() + 30 : line.back().y() > line.front().y() + 30,
            qPrintable(QStringLiteral("from y %1 to y %2").arg(line.front().y()).arg(line.back().y())));
    }

    // Speech starts where the sound starts, after the silence before it.
    void theStartOfSpeechIsFound()
    {
        const QString file = sox(QStringLiteral("late.wav"),
            { QStringLiteral("synth"), QStringLiteral("1"), QStringLiteral("sine"), QStringLiteral("220"), QStringLiteral("pad"), QStringLiteral("0.6"), QStringLiteral("0.4") });
        int rate = 0;
        std::vector<float> samples = Intonation::readWave(file, rate);
        const Intonation late = Intonation::analyse(std::move(samples), rate);
        QVERIFY2(std::abs(late.onsetSeconds - 0.6) <= 0.05, qPrintable(QString::number(late.onsetSeconds)));
        QVERIFY(std::abs(voicedMedian(late.pitchHz, 0.6, 0.9) - 220) < 220 * 0.03);
    }

    // The model's sound comes from the video's own track over the phrase's span.
    void theModelIsReadFromTheVideosSoundTrack()
    {
        const QString video = m_dir.filePath(QStringLiteral("tono.avi"));
        MediaRecipes::runTool(QStringLiteral("ffmpeg"),
            { QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("testsrc=size=160x120:rate=10:duration=3"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("sine=frequency=700:sample_rate=48000:duration=1,adelay=1000,apad=whole_dur=3"), QStringLiteral("-t"),
                QStringLiteral("3"), QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-c:a"), QStringLiteral("pcm_s16le"), video });
        QString error;
        const std::vector<float> span = SoundTrackReader::read(video, 0.5, 2.5, 48000, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY2(std::abs(double(span.size()) - 96000) <= 480, qPrintable(QString::number(span.size())));
        const Intonation model = Intonation::analyse(span, 48000);
        QVERIFY2(std::abs(model.onsetSeconds - 0.5) <= 0.05, qPrintable(QString::number(model.onsetSeconds)));
        QVERIFY(std::abs(voicedMedian(model.pitchHz, 0.3, 0.7) - 700) < 21);
        // A file without that stretch names what is missing.
        QVERIFY(SoundTrackReader::read(m_dir.filePath(QStringLiteral("falta.avi")), 0, 1, 48000, &error).empty());
        QVERIFY(error.contains(QLatin1String("falta.avi")));
    }
};

QTEST_MAIN(TestIntonation)
#include "tst_intonation.moc"
