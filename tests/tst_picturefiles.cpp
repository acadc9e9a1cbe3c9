// Pictures as period discs hold them, written by ImageMagick (and wrapped into icons and
// cursors here): every kind must read pixel for pixel as ImageMagick itself reads it, icons
// and cursors with their transparency and hot spot, and a mask with its exact colours.
#include "IconFile.h"
#include "PictureFile.h"

#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray readAll(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& file, const QByteArray& bytes)
{
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(file));
}

quint32 u32(const QByteArray& b, qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); }

// The first pixel that differs, or an empty string when all are the same (colour and opacity).
QString firstDifference(const QImage& got, const QImage& expected)
{
    if (got.size() != expected.size())
        return QStringLiteral("size %1x%2, expected %3x%4").arg(got.width()).arg(got.height()).arg(expected.width()).arg(expected.height());
    for (int y = 0; y < got.height(); ++y) {
        for (int x = 0; x < got.width(); ++x) {
            if (got.pixel(x, y) != expected.pixel(x, y))
                return QStringLiteral("pixel (%1, %2) is %3, expected %4").arg(x).arg(y).arg(got.pixel(x, y), 8, 16).arg(expected.pixel(x, y), 8, 16);
        }
    }
    return {};
}

} // namespace

class TestPictureFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void bitmapsReadAsImageMagickReadsThem_data();
    void bitmapsReadAsImageMagickReadsThem();
    void iconsAndCursorsKeepTheirTransparency_data();
    void iconsAndCursorsKeepTheirTransparency();
    void theLargestDeepestIconIsRead();
    void aMaskKeepsItsExactColours();
    void brokenPicturesAreRefusedWithAReason();

private:
    static void magick(const QStringList& arguments);
    /// ImageMagick's own reading of FILE, as 32-bit ARGB.
    QImage referenceOf(const QString& file);
    /// FILE (a BMP) with its rows stored top-down.
    QString topDown(const QString& file);
    /// FILE (an uncompressed 4-bit BMP) coded as RLE4.
    QString rle4(const QString& file);
    /// An icon (TYPE 1) or cursor (2) holding the bitmaps BMPS, each with an AND mask that
    /// makes its top left 4 x 4 pixels transparent.
    QString iconOf(const QString& name, const QStringList& bmps, int type, QPoint hotSpot = {});

    QTemporaryDir m_dir;
    QString m_picture; ///< many colours
    QString m_few;     ///< eight colours
};

void TestPictureFiles::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QImage picture(64, 48, QImage::Format_RGB32);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, 64, 48);
    gradient.setColorAt(0, Qt::yellow);
    gradient.setColorAt(1, QColor(90, 0, 160));
    painter.fillRect(picture.rect(), gradient);
    painter.fillRect(3, 5, 20, 11, Qt::red);
    painter.end();
    m_picture = m_dir.filePath(QStringLiteral("picture.png"));
    QVERIFY(picture.save(m_picture));
    QImage few(50, 30, QImage::Format_RGB32); // a width that pads every row
    few.fill(Qt::white);
    QPainter fewPainter(&few);
    const QColor colours[] = { Qt::red, Qt::green, Qt::blue, Qt::black, Qt::cyan, Qt::magenta, Qt::yellow };
    for (int i = 0; i < 7; ++i)
        fewPainter.fillRect(i * 7, i * 4, 9, 5, colours[i]);
    fewPainter.end();
    m_few = m_dir.filePath(QStringLiteral("few.png"));
    QVERIFY(few.save(m_few));
}

void TestPictureFiles::magick(const QStringList& arguments)
{
    QProcess convert;
    convert.start(QStringLiteral("convert"), arguments);
    if (!convert.waitForFinished(60000) || convert.exitCode() != 0)
        qFatal("convert %s failed: %s", qPrintable(arguments.join(' ')), convert.readAllStandardError().constData());
}

QImage TestPictureFiles::referenceOf(const QString& file)
{
    const QString png = file + QStringLiteral(".reference.png");
    magick({ file, QStringLiteral("PNG32:") + png });
    return QImage(png).convertToFormat(QImage::Format_ARGB32);
}

QString TestPictureFiles::topDown(const QString& file)
{
    QByteArray bytes = readAll(file);
    const quint32 offset = u32(bytes, 10);
    const qint32 width = qint32(u32(bytes, 18));
    const qint32 height = qint32(u32(bytes, 22));
    const int bits = qFromLittleEndian<quint16>(bytes.constData() + 28);
    const qsizetype stride = (qsizetype(width) * bits + 31) / 32 * 4;
    QByteArray rows;
    for (int y = height - 1; y >= 0; --y)
        rows += bytes.mid(offset + stride * y, stride);
    bytes = bytes.left(offset) + rows;
    qToLittleEndian<qint32>(-height, bytes.data() + 22);
    const QString path = file + QStringLiteral(".topdown.bmp");
    writeAll(path, bytes);
    return path;
}

QString TestPictureFiles::rle4(const QString& file)
{
    QByteArray bytes = readAll(file);
    const quint32 offset = u32(bytes, 10);
    const int width = int(u32(bytes, 18));
    const int height = int(u32(bytes, 22));
    if (qFromLittleEndian<quint16>(bytes.constData() + 28) != 4 || u32(bytes, 30) != 0)
        qFatal("%s is not an uncompressed 4-bit bitmap", qPrintable(file));
    const qsizetype stride = (qsizetype(width) * 4 + 31) / 32 * 4;
    QByteArray coded;
    for (int y = 0; y < height; ++y) {
        const auto nibble = [&](int x) { return (uchar(bytes.at(offset + stride * y + x / 2)) >> (x % 2 ? 0 : 4)) & 0xF; };
        for (int x = 0; x < width;) {
            int run = 1;
            while (x + run < width && run < 254 && nibble(x + run) == nibble(x))
                ++run;
            coded += char(run);
            coded += char(nibble(x) << 4 | nibble(x));
            x += run;
        }
        coded += QByteArray("\x00\x00", 2); // end of line
    }
    coded += QByteArray("\x00\x01", 2); // end of bitmap
    bytes = bytes.left(offset) + coded;
    qToLittleEndian<quint32>(2, bytes.data() + 30);
    qToLittleEndian<quint32>(quint32(coded.size()), bytes.data() + 34);
    qToLittleEndian<quint32>(quint32(bytes.size()), bytes.data() + 2);
    const QString path = file + QStringLiteral(".rle4.bmp");
    writeAll(path, bytes);
    return path;
}

QString TestPictureFiles::iconOf(const QString& name, const QStringList& bmps, int type, QPoint hotSpot)
{
    QList<QByteArray> pictures;
    QByteArray directory;
    qsizetype offset = 6 + 16 * bmps.size();
    for (const QString& bmp : bmps) {
        const QByteArray bytes = readAll(bmp);
        QByteArray dib = bytes.mid(14, u32(bytes, 10) - 14) + bytes.mid(u32(bytes, 10));
        const int width = int(u32(dib, 4));
        const int height = int(u32(dib, 8));
        const int bits = qFromLittleEndian<quint16>(dib.constData() + 14);
        qToLittleEndian<qint32>(2 * height, dib.data() + 8);
        const qsizetype maskStride = (width + 31) / 32 * 4;
        for (int y = height - 1; y >= 0; --y) { // rows bottom-up
            QByteArray row(maskStride, '\0');
            if (y < 4)
                row[0] = char(0xF0);
            dib += row;
        }
        QByteArray entry(16, '\0');
        entry[0] = char(width % 256);
        entry[1] = char(height % 256);
        entry[2] = char(bits <= 8 ? (1 << bits) % 256 : 0);
        qToLittleEndian<quint16>(quint16(type == 1 ? 1 : hotSpot.x()), entry.data() + 4);
        qToLittleEndian<quint16>(quint16(type == 1 ? bits : hotSpot.y()), entry.data() + 6);
        qToLittleEndian<quint32>(quint32(dib.size()), entry.data() + 8);
        qToLittleEndian<quint32>(quint32(offset), entry.data() + 12);
        offset += dib.size();
        directory += entry;
        pictures << dib;
    }
    QByteArray file(6, '\0');
    qToLittleEndian<quint16>(quint16(type), file.data() + 2);
    qToLittleEndian<quint16>(quint16(bmps.size()), file.data() + 4);
    file += directory;
    for (const QByteArray& picture : std::as_const(pictures))
        file += picture;
    const QString path = m_dir.filePath(name);
    writeAll(path, file);
    return path;
}

void TestPictureFiles::bitmapsReadAsImageMagickReadsThem_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("bits");
    const auto make = [&](const char* name, const QString& source, const QStringList& options) {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        magick(QStringList { source } + options.mid(0, options.size() - 1) + QStringList { options.last() + path });
        return path;
    };
    const QString four = make("four.bmp", m_few, { "-type", "Palette", "-depth", "4", "-compress", "None", "BMP3:" });
    const QString eight = make("eight.bmp", m_picture, { "-type", "Palette", "-colors", "200", "-compress", "None", "BMP3:" });
    const QString true24 = make("true.bmp", m_picture, { "-type", "TrueColor", "BMP3:" });
    QTest::newRow("1-bit") << make("mono.bmp", m_picture, { "-monochrome", "BMP3:" }) << 1;
    QTest::newRow("4-bit") << four << 4;
    QTest::newRow("8-bit") << eight << 8;
    QTest::newRow("24-bit") << true24 << 24;
    QTest::newRow("RLE8") << make("rle8.bmp", m_picture, { "-type", "Palette", "-colors", "200", "-compress", "RLE", "BMP3:" }) << 8;
    QTest::newRow("RLE4") << rle4(four) << 4;
    QTest::newRow("OS/2 1-bit") << make("os2mono.bmp", m_picture, { "-monochrome", "BMP2:" }) << 1;
    QTest::newRow("OS/2 4-bit") << make("os2four.bmp", m_few, { "-type", "Palette", "-depth", "4", "BMP2:" }) << 4;
    QTest::newRow("OS/2 8-bit") << make("os2eight.bmp", m_picture, { "-type", "Palette", "-colors", "200", "BMP2:" }) << 8;
    QTest::newRow("OS/2 24-bit") << make("os2true.bmp", m_picture, { "-type", "TrueColor", "BMP2:" }) << 24;
    QTest::newRow("top-down 8-bit") << topDown(eight) << 8;
    QTest::newRow("top-down 24-bit") << topDown(true24) << 24;
}

void TestPictureFiles::bitmapsReadAsImageMagickReadsThem()
{
    QFETCH(QString, file);
    QFETCH(int, bits);
    const QByteArray bytes = readAll(file);
    const bool os2 = u32(bytes, 14) == 12;
    QCOMPARE(int(qFromLittleEndian<quint16>(bytes.constData() + (os2 ? 24 : 28))), bits);

    QString why;
    const QImage image = PictureFile::read(file, &why);
    QVERIFY2(!image.isNull(), qPrintable(why));
    // A palette picture keeps its palette: what is read is the file's colours, unconverted.
    if (bits <= 8)
        QCOMPARE(image.format(), bits == 1 ? QImage::Format_Mono : QImage::Format_Indexed8);
    const QString difference = firstDifference(image.convertToFormat(QImage::Format_ARGB32), referenceOf(file));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestPictureFiles::iconsAndCursorsKeepTheirTransparency_data()
{
    QTest::addColumn<QString>("bmp");
    QTest::addColumn<int>("type");
    QTest::addColumn<QPoint>("hotSpot");
    struct Depth { const char* name; QStringList options; };
    const QList<Depth> depths {
        { "1", { "-monochrome", "-compress", "None", "BMP3:" } },
        { "4", { "-type", "Palette", "-depth", "4", "-compress", "None", "BMP3:" } },
        { "8", { "-type", "Palette", "-colors", "200", "-compress", "None", "BMP3:" } },
        { "24", { "-type", "TrueColor", "BMP3:" } },
    };
    for (const int size : { 16, 32, 48 }) {
        for (const Depth& depth : depths) {
            const QString bmp = m_dir.filePath(QStringLiteral("icon%1-%2.bmp").arg(size).arg(QLatin1String(depth.name)));
            const QString source = QString::fromLatin1(depth.name) == QLatin1String("4") ? m_few : m_picture;
            magick(QStringList { source, QStringLiteral("-resize"), QStringLiteral("%1x%1!").arg(size) } + depth.options.mid(0, depth.options.size() - 1)
                + QStringList { depth.options.last() + bmp });
            QTest::addRow("icon %dx%d, %s-bit", size, size, depth.name) << bmp << 1 << QPoint(size / 2, size / 2);
            QTest::addRow("cursor %dx%d, %s-bit", size, size, depth.name) << bmp << 2 << QPoint(size / 4, size / 8 + 1);
        }
    }
}

void TestPictureFiles::iconsAndCursorsKeepTheirTransparency()
{
    QFETCH(QString, bmp);
    QFETCH(int, type);
    QFETCH(QPoint, hotSpot);
    const QString file = iconOf(QFileInfo(bmp).completeBaseName() + (type == 1 ? QStringLiteral(".ico") : QStringLiteral(".cur")), { bmp }, type, hotSpot);

    const IconFile icon = IconFile::read(file);
    QVERIFY2(!icon.isNull(), qPrintable(icon.error()));
    QCOMPARE(icon.isCursor(), type == 2);
    QCOMPARE(icon.hotSpot(), hotSpot);
    // The masked corner is transparent; every other pixel is the bitmap's own colour.
    QImage expected = referenceOf(bmp);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x)
            expected.setPixel(x, y, qRgba(0, 0, 0, 0));
    }
    const QString difference = firstDifference(icon.image(), expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    // The screens read pictures by their bytes: the same through PictureFile.
    QVERIFY(firstDifference(PictureFile::read(file).convertToFormat(QImage::Format_ARGB32), expected).isEmpty());
}

void TestPictureFiles::theLargestDeepestIconIsRead()
{
    QStringList bmps;
    for (const auto& [size, options] : QList<std::pair<int, QStringList>> { { 16, { "-type", "TrueColor" } }, { 32, { "-monochrome" } },
             { 32, { "-type", "TrueColor" } }, { 24, { "-type", "TrueColor" } } }) {
        const QString bmp = m_dir.filePath(QStringLiteral("many%1-%2.bmp").arg(size).arg(bmps.size()));
        magick(QStringList { m_picture, QStringLiteral("-resize"), QStringLiteral("%1x%1!").arg(size) } + options + QStringList { QStringLiteral("BMP3:") + bmp });
        bmps << bmp;
    }
    const IconFile icon = IconFile::read(iconOf(QStringLiteral("many.ico"), bmps, 1));
    QVERIFY2(!icon.isNull(), qPrintable(icon.error()));
    QCOMPARE(icon.image().size(), QSize(32, 32));
    QImage expected = referenceOf(bmps[2]);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x)
            expected.setPixel(x, y, qRgba(0, 0, 0, 0));
    }
    QVERIFY(firstDifference(icon.image(), expected).isEmpty());
}

void TestPictureFiles::aMaskKeepsItsExactColours()
{
    // A mask tells its regions apart by colours one step from each other, in RLE8 as the
    // period's paint programs saved them: not one may move.
    QImage mask(40, 20, QImage::Format_RGB32);
    const QRgb regions[] = { qRgb(16, 32, 48), qRgb(16, 32, 49), qRgb(17, 32, 48), qRgb(16, 33, 48), qRgb(255, 255, 254) };
    for (int x = 0; x < 40; ++x) {
        for (int y = 0; y < 20; ++y)
            mask.setPixel(x, y, regions[(x / 8 + y / 10) % 5]);
    }
    const QString png = m_dir.filePath(QStringLiteral("mask.png"));
    QVERIFY(mask.save(png));
    const QString bmp = m_dir.filePath(QStringLiteral("MASK.BMP"));
    // (+dither: ImageMagick would otherwise merge the nearest colours itself.)
    magick({ png, "+dither", "-type", "Palette", "-compress", "RLE", "BMP3:" + bmp });
    QCOMPARE(u32(readAll(bmp), 30), quint32(1)); // RLE8

    // Read as the map's hit test reads it: the picture's pixels as 32-bit colours.
    const QImage read = PictureFile::read(bmp).convertToFormat(QImage::Format_RGB32);
    const QString difference = firstDifference(read, mask);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestPictureFiles::brokenPicturesAreRefusedWithAReason()
{
    const QList<std::pair<const char*, QByteArray>> cases {
        { "empty.bmp", QByteArray() },
        { "words.bmp", QByteArray("not a picture at all") },
        { "cut.bmp", readAll(m_dir.filePath(QStringLiteral("true.bmp"))).left(60) },
        { "cut.ico", readAll(m_dir.filePath(QStringLiteral("icon32-24.cur"))).left(100) },
        { "nodir.ico", QByteArray("\x00\x00\x01\x00\x05\x00", 6) },
    };
    for (const auto& [name, bytes] : cases) {
        const QString file = m_dir.filePath(QString::fromLatin1(name));
        writeAll(file, bytes);
        QString why;
        QVERIFY2(PictureFile::read(file, &why).isNull(), name);
        QVERIFY2(!why.isEmpty(), name);
    }
}

QTEST_MAIN(TestPictureFiles)
#include "tst_picturefiles.moc"
