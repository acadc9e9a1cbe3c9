// Every kind of image a learner keeps, made at test time from one ISO image: BIN/CUE in
// mode 1 and mode 2/XA (opened by the cue sheet or by the BIN beside it), Nero in mode 1
// and mode 2, and a
// block device (a read-only loop device over the image, where the machine lets us make
// one); each gives the same tree and the same bytes as the ISO image. A disc with only
// UDF is refused by name, and so is a cue sheet that names nothing readable.
#include "CourseError.h"
#include "CourseImage.h"
#include "DiscImageMaker.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray fileBytes(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& file, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(file).path());
    QFile f(file);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// A read-only loop device over IMAGE, detached when it goes; empty when none can be made.
struct LoopDevice {
    QString device;
    explicit LoopDevice(const QString& image)
    {
        QProcess losetup;
        losetup.start(QStringLiteral("losetup"), { QStringLiteral("--find"), QStringLiteral("--show"), QStringLiteral("--read-only"), image });
        if (losetup.waitForFinished(10000) && losetup.exitCode() == 0)
            device = QString::fromLocal8Bit(losetup.readAllStandardOutput()).trimmed();
    }
    ~LoopDevice()
    {
        if (!device.isEmpty())
            QProcess::execute(QStringLiteral("losetup"), { QStringLiteral("--detach"), device });
    }
};

} // namespace

class DiscKindsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString iso() const { return m_dir.filePath(QStringLiteral("curso.iso")); }

private Q_SLOTS:
    void initTestCase()
    {
        const QString source = m_dir.filePath(QStringLiteral("disc"));
        QVERIFY(writeFile(source + QStringLiteral("/BBM.MDB"), QByteArray(70000, 'c')));
        QByteArray sound;
        for (int i = 0; sound.size() < 300000; ++i)
            sound += QByteArray::number(i) + ' ';
        QVERIFY(writeFile(source + QStringLiteral("/SONIDOS/FONDO.WAV"), sound));
        QVERIFY(writeFile(source + QStringLiteral("/Sonidos largos/Música de fondo.wav"), "larga"));
        const QString made = DiscImageMaker::make(source, iso(), DiscImageMaker::Kind::RockRidge);
        QVERIFY2(made.isEmpty(), qPrintable(made));
    }

    void sameTreeAndBytes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("BIN/CUE mode 1") << "mode1";
        QTest::newRow("BIN/CUE mode 2/XA") << "mode2";
        QTest::newRow("BIN opened beside its cue sheet") << "bin";
        QTest::newRow("NRG, mode 1 in 2048-byte blocks") << "nrg1";
        QTest::newRow("NRG, mode 2 in 2336-byte blocks") << "nrg2";
        QTest::newRow("block device") << "device";
    }
    void sameTreeAndBytes()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QString image = dir.filePath(QStringLiteral("curso.cue"));
        std::unique_ptr<LoopDevice> loop;
        QString made;
        if (kind == QLatin1String("mode1") || kind == QLatin1String("bin")) {
            made = DiscImageMaker::toBinCue(iso(), image, DiscImageMaker::RawMode::Mode1);
            if (kind == QLatin1String("bin"))
                image = dir.filePath(QStringLiteral("curso.bin"));
        } else if (kind == QLatin1String("mode2")) {
            made = DiscImageMaker::toBinCue(iso(), image, DiscImageMaker::RawMode::Mode2);
        } else if (kind.startsWith(QLatin1String("nrg"))) {
            image = dir.filePath(QStringLiteral("curso.nrg"));
            made = DiscImageMaker::toNrg(iso(), image, kind.endsWith(QLatin1Char('1')) ? DiscImageMaker::RawMode::Mode1 : DiscImageMaker::RawMode::Mode2);
        } else {
            loop = std::make_unique<LoopDevice>(iso());
            if (loop->device.isEmpty())
                QSKIP("no loop device can be made here (losetup needs root and /dev/loop-control)");
            image = loop->device;
        }
        QVERIFY2(made.isEmpty(), qPrintable(made));
        const CourseImage expected(iso(), dir.filePath(QStringLiteral("cache-iso/")));
        const CourseImage opened(image, dir.filePath(QStringLiteral("cache/")));
        QCOMPARE(opened.names(), DiscImage::Names::RockRidge);
        QCOMPARE(opened.files(), expected.files());
        QCOMPARE(opened.size(), expected.size());
        for (const QString& file : expected.files())
            QCOMPARE(fileBytes(opened.localFile(file)), fileBytes(expected.localFile(file)));
    }

    // Refused naming the image: only UDF (its own descriptors where ISO 9660 has its
    // own), a cue sheet naming a missing BIN, a Nero file without its footer.
    void refused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("said");
        QByteArray udf(20 * 2048, '\0');
        udf.replace(16 * 2048, 7, QByteArray("\0BEA01\1", 7));
        udf.replace(17 * 2048, 7, QByteArray("\0NSR02\1", 7));
        udf.replace(18 * 2048, 7, QByteArray("\0TEA01\1", 7));
        QTest::newRow("UDF only") << "udf.iso" << udf << "UDF";
        QTest::newRow("cue sheet without its BIN") << "nada.cue" << QByteArray("FILE \"nada.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n")
                                                  << "La imagen del disco está dañada";
        QTest::newRow("Nero file without footer") << "nada.nrg" << QByteArray(40 * 2048, '\0') << "La imagen del disco está dañada";
    }
    void refused()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString image = dir.filePath(name);
        QVERIFY(writeFile(image, bytes));
        try {
            CourseImage opened(image, dir.filePath(QStringLiteral("cache/")));
            QFAIL("a disc that cannot be read was opened");
        } catch (const CourseError& error) {
            QVERIFY2(error.message().contains(image) && error.message().contains(said), qPrintable(error.message()));
        }
    }
};

QTEST_GUILESS_MAIN(DiscKindsTest)
#include "tst_disckinds.moc"
