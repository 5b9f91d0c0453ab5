#include "platform/pictureloader.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

namespace {

const QRgb Red = qRgb(255, 0, 0);
const QRgb Blue = qRgb(0, 0, 255);
const QRgb White = qRgb(255, 255, 255);
const QRgb Black = qRgb(0, 0, 0);
// The colours of the committed PCX pictures: top left, top right, bottom.
const QRgb PcxTopLeft = qRgb(200, 0, 0);
const QRgb PcxTopRight = qRgb(0, 0, 200);
const QRgb PcxBottom = qRgb(0, 150, 0);

template <typename T> QByteArray Le(T value)
{
    QByteArray bytes(sizeof(T), '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray Le16s(std::initializer_list<qint16> values)
{
    QByteArray bytes;
    for (const qint16 value : values) {
        bytes += Le(value);
    }
    return bytes;
}

QByteArray Le32s(std::initializer_list<qint32> values)
{
    QByteArray bytes;
    for (const qint32 value : values) {
        bytes += Le(value);
    }
    return bytes;
}

// 20 x 10: the left half red, the right half blue.
QImage TwoColourImage()
{
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Blue);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            image.setPixel(x, y, Red);
        }
    }
    return image;
}

QByteArray Saved(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A device-independent bitmap, 24 bits: 4 x 4 pixels, the left half blue, the right half red.
// (libwmf cannot stretch a bitmap of a single line.) The declared size may lie.
QByteArray SplitDib(qint32 width = 4, qint32 height = 4)
{
    const QByteArray line = QByteArray::fromHex("ff0000ff0000"
                                                "0000ff0000ff");
    return Le32s({40, width, height}) + Le16s({1, 24}) + Le32s({0, 48, 0, 0, 0, 0}) +
           line.repeated(4);
}

// A WMF from its records; the end-of-file record and the headers are added.
class WmfBuilder {
public:
    WmfBuilder &Record(quint16 function, const QByteArray &parameters)
    {
        m_records += Le(quint32(3 + parameters.size() / 2)) + Le(function) + parameters;
        return *this;
    }

    // Window 200 x 100 units, no outline; the given brush colour fills the left half.
    static WmfBuilder LeftHalf(quint32 colour)
    {
        WmfBuilder wmf;
        wmf.Record(0x020B, Le16s({0, 0}))                         // SETWINDOWORG
            .Record(0x020C, Le16s({100, 200}))                    // SETWINDOWEXT
            .Record(0x02FA, Le16s({5, 0, 0}) + Le(quint32(0)))    // CREATEPENINDIRECT
            .Record(0x012D, Le16s({0}))                           // SELECTOBJECT
            .Record(0x02FC, Le16s({0}) + Le(colour) + Le16s({0})) // CREATEBRUSHINDIRECT
            .Record(0x012D, Le16s({1}))                           // SELECTOBJECT
            .Record(0x041B, Le16s({100, 100, 0, 0}));             // RECTANGLE
        return wmf;
    }

    // The header's largest-record field says 8 words whatever the records are, as some writers
    // get it wrong: the loader must not trust it.
    QByteArray Plain() const
    {
        const QByteArray records = m_records + Le(quint32(3)) + Le(quint16(0));
        return Le16s({1, 9, 0x0300}) + Le(quint32((18 + records.size()) / 2)) + Le16s({3}) +
               Le(quint32(8)) + Le16s({0}) + records;
    }

    // With the placeable header: the frame in units, and the units per inch.
    QByteArray Placeable(qint16 left, qint16 top, qint16 right, qint16 bottom,
                         quint16 unitsPerInch = 96) const
    {
        QByteArray header = Le(quint32(0x9AC6CDD7)) + Le16s({0, left, top, right, bottom}) +
                            Le(unitsPerInch) + Le(quint32(0));
        quint16 checksum = 0;
        for (int i = 0; i < 20; i += 2) {
            checksum ^= qFromLittleEndian<quint16>(header.constData() + i);
        }
        return header + Le(checksum) + Plain();
    }

private:
    QByteArray m_records;
};

// An EMF from its records; the header and the end-of-file record are added.
class EmfBuilder {
public:
    EmfBuilder &Record(quint32 type, const QByteArray &parameters)
    {
        m_records += Le(type) + Le(quint32(8 + parameters.size())) + parameters;
        ++m_count;
        return *this;
    }

    // No outline; the given brush colour fills the left half of the bounds.
    static EmfBuilder LeftHalf(qint32 width, qint32 height, quint32 colour)
    {
        EmfBuilder emf;
        emf.Record(37, Le(quint32(0x80000008)))            // EMR_SELECTOBJECT, NULL_PEN
            .Record(39, Le32s({1, 0, qint32(colour), 0}))  // EMR_CREATEBRUSHINDIRECT
            .Record(37, Le32s({1}))                        // EMR_SELECTOBJECT
            .Record(43, Le32s({0, 0, width / 2, height})); // EMR_RECTANGLE
        return emf;
    }

    QByteArray Bytes(qint32 width, qint32 height) const
    {
        const QByteArray records = m_records + Le32s({14, 20, 0, 16, 20});
        const qint32 frameWidth = qint32(width * 2540LL / 96);
        const qint32 frameHeight = qint32(height * 2540LL / 96);
        const QByteArray header =
            Le32s({1, 88, 0, 0, width - 1, height - 1, 0, 0, frameWidth, frameHeight, 0x464D4520,
                   0x10000, qint32(88 + records.size()), m_count + 2}) +
            Le16s({2, 0}) + Le32s({0, 0, 0, 1024, 768, 271, 203});
        return header + records;
    }

private:
    QByteArray m_records;
    qint32 m_count = 0;
};

// A 1 x 1 red GIF: header, screen of 1 x 1 with a two-colour table, one image, trailer.
QByteArray RedGif(quint16 screenWidth = 1, quint16 screenHeight = 1)
{
    return "GIF87a" + Le(screenWidth) + Le(screenHeight) +
           QByteArray::fromHex("800000"
                               "ff0000"
                               "000000"
                               "2c000000000100010000"
                               "0202440100"
                               "3b");
}

quint32 Crc32(QByteArrayView bytes)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char byte : bytes) {
        crc ^= static_cast<quint8>(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
        }
    }
    return ~crc;
}

// A real PNG whose header chunk is rewritten to declare another size, with a matching checksum.
QByteArray PngDeclaring(quint32 width, quint32 height)
{
    QByteArray png = Saved(TwoColourImage(), "PNG");
    QByteArray size(8, '\0');
    qToBigEndian(width, size.data());
    qToBigEndian(height, size.data() + 4);
    png.replace(16, 8, size);
    QByteArray crc(4, '\0');
    qToBigEndian(Crc32(QByteArrayView(png).sliced(12, 17)), crc.data());
    png.replace(29, 4, crc);
    return png;
}

QByteArray JpegDeclaring(quint16 width, quint16 height)
{
    QByteArray jpeg = Saved(TwoColourImage(), "JPEG");
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    QByteArray size(4, '\0');
    qToBigEndian(height, size.data());
    qToBigEndian(width, size.data() + 2);
    jpeg.replace(frame + 5, 4, size);
    return jpeg;
}

QByteArray BmpDeclaring(qint32 width, qint32 height)
{
    return "BM" + Le32s({1000, 0, 54, 40, width, height}) + Le16s({1, 24}) +
           Le32s({0, 0, 0, 0, 0, 0}) + QByteArray(946, '\x40');
}

QByteArray Fixture(const QString &name)
{
    QFile file(QStringLiteral(ORTUS_TEST_DATA_DIR "/pictures/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray WmfLeftHalfRed()
{
    return WmfBuilder::LeftHalf(0x0000FF).Placeable(0, 0, 200, 100);
}

QByteArray EmfLeftHalfRed()
{
    return EmfBuilder::LeftHalf(200, 100, 0x0000FF).Bytes(200, 100);
}

bool Near(QRgb actual, QRgb expected, int tolerance)
{
    return qAbs(qRed(actual) - qRed(expected)) <= tolerance &&
           qAbs(qGreen(actual) - qGreen(expected)) <= tolerance &&
           qAbs(qBlue(actual) - qBlue(expected)) <= tolerance;
}

} // namespace

class TestPictureLoader : public QObject {
    Q_OBJECT

private slots:
    void init();

    void loadsEveryFormat_data();
    void loadsEveryFormat();
    void refusesContent_data();
    void refusesContent();
    void refusesCutFiles_data();
    void refusesCutFiles();
    void keepsToGivenLimits_data();
    void keepsToGivenLimits();
    void scalesLargeMetafilesDown_data();
    void scalesLargeMetafilesDown();
    void scalesMetafilesToGivenSide();
    void stopsMetafileThatTakesTooLong();
    void refusesWhatIsNoPictureFile_data();
    void refusesWhatIsNoPictureFile();
    void refusesLargeFilesUnread_data();
    void refusesLargeFilesUnread();
    void findsPathInEitherEncoding_data();
    void findsPathInEitherEncoding();
    void readsFileAnewEachTime();

private:
    QByteArray Write(const QString &name, const QByteArray &content);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPictureLoader::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QByteArray TestPictureLoader::Write(const QString &name, const QByteArray &content)
{
    QFile file(m_dir->filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        return {};
    }
    return QFile::encodeName(file.fileName());
}

void TestPictureLoader::loadsEveryFormat_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QPoint>>("points");
    QTest::addColumn<QList<QRgb>>("colours");
    QTest::addColumn<int>("tolerance");

    const QList<QPoint> halves{{4, 5}, {15, 5}};
    const QList<QRgb> redBlue{Red, Blue};
    QTest::newRow("bmp") << "picture.bmp" << Saved(TwoColourImage(), "BMP") << QSize(20, 10)
                         << halves << redBlue << 0;
    QTest::newRow("jpeg") << "picture.jpg" << Saved(TwoColourImage(), "JPEG") << QSize(20, 10)
                          << halves << redBlue << 48;
    QTest::newRow("png") << "picture.png" << Saved(TwoColourImage(), "PNG") << QSize(20, 10)
                         << halves << redBlue << 0;
    QTest::newRow("gif") << "picture.gif" << RedGif() << QSize(1, 1) << QList<QPoint>{{0, 0}}
                         << QList<QRgb>{Red} << 0;
    QTest::newRow("png named .pcx: told by content")
        << "picture.pcx" << Saved(TwoColourImage(), "PNG") << QSize(20, 10) << halves << redBlue
        << 0;
    QTest::newRow("pcx named .bmp: told by content")
        << "picture.bmp" << Fixture("rgb24.pcx") << QSize(11, 4) << QList<QPoint>{{1, 0}}
        << QList<QRgb>{PcxTopLeft} << 0;

    const QList<QPoint> pcxPoints{{1, 0}, {8, 1}, {3, 3}};
    QTest::newRow("pcx 1-bit") << "mono.pcx" << Fixture("mono.pcx") << QSize(11, 4) << pcxPoints
                               << QList<QRgb>{Black, White, White} << 0;
    const QList<QRgb> pcxColours{PcxTopLeft, PcxTopRight, PcxBottom};
    for (const char *name : {"ega16.pcx", "packed16.pcx", "vga256.pcx", "rgb24.pcx"}) {
        QTest::newRow(name) << name << Fixture(name) << QSize(11, 4) << pcxPoints << pcxColours
                            << 0;
    }

    const QList<QPoint> metafileHalves{{40, 50}, {160, 50}};
    QTest::newRow("wmf") << "picture.wmf" << WmfLeftHalfRed() << QSize(200, 100) << metafileHalves
                         << QList<QRgb>{Red, White} << 0;
    // Without the placeable header the drawing's own extent is the picture.
    QTest::newRow("wmf without placeable header")
        << "plain.wmf" << WmfBuilder::LeftHalf(0x0000FF).Plain() << QSize() << QList<QPoint>{{0, 0}}
        << QList<QRgb>{Red} << 0;
    QTest::newRow("emf") << "picture.emf" << EmfLeftHalfRed() << QSize(200, 100) << metafileHalves
                         << QList<QRgb>{Red, White} << 0;

    // A red triangle in the right half, and a word of text above it.
    const QList<QPoint> triangle{{40, 50}, {170, 63}, {120, 80}};
    const QList<QRgb> triangleColours{Red, Red, White};
    WmfBuilder wmfShapes = WmfBuilder::LeftHalf(0x0000FF);
    wmfShapes
        .Record(0x0324, Le16s({3, 150, 90, 190, 90, 170, 10})) // POLYGON
        .Record(0x0521, Le16s({2}) + "Hi" + Le16s({5, 110}));  // TEXTOUT
    QTest::newRow("wmf with a polygon and text")
        << "shapes.wmf" << wmfShapes.Placeable(0, 0, 200, 100) << QSize(200, 100) << triangle
        << triangleColours << 0;
    EmfBuilder emfShapes = EmfBuilder::LeftHalf(200, 100, 0x0000FF);
    emfShapes.Record(86, Le32s({150, 10, 190, 90, 3}) + Le16s({150, 90, 190, 90, 170, 10}))
        .Record(84, Le32s({110, 5, 130, 20, 1, 0, 0, 110, 5, 2, 76, 0, 0, 0, 0, 0, 80}) +
                        QByteArray("H\0i\0", 4) + Le32s({8, 8})); // EMR_EXTTEXTOUTW
    QTest::newRow("emf with a polygon and text")
        << "shapes.emf" << emfShapes.Bytes(200, 100) << QSize(200, 100) << triangle
        << triangleColours << 0;

    WmfBuilder wmfBitmap = WmfBuilder::LeftHalf(0x0000FF);
    wmfBitmap.Record(0x0F43, Le(quint32(0x00CC0020)) + Le16s({0, 4, 4, 0, 0, 100, 100, 0, 100}) +
                                 SplitDib()); // STRETCHDIB into the right half
    QTest::newRow("wmf with a bitmap")
        << "bitmap.wmf" << wmfBitmap.Placeable(0, 0, 200, 100) << QSize(200, 100)
        << QList<QPoint>{{40, 50}, {120, 50}, {180, 50}} << QList<QRgb>{Red, Blue, Red} << 0;

    EmfBuilder emfBitmap = EmfBuilder::LeftHalf(200, 100, 0x0000FF);
    // EMR_STRETCHDIBITS into the right half: bounds, destination, source, bitmap offsets (header
    // 80 bytes in), usage, raster operation, destination size.
    emfBitmap.Record(
        81, Le32s({100, 0, 199, 99, 100, 0, 0, 0, 4, 4, 80, 40, 120, 48, 0, 0x00CC0020, 100, 100}) +
                SplitDib());
    QTest::newRow("emf with a bitmap")
        << "bitmap.emf" << emfBitmap.Bytes(200, 100) << QSize(200, 100)
        << QList<QPoint>{{40, 50}, {120, 50}, {180, 50}} << QList<QRgb>{Red, Blue, Red} << 0;
}

void TestPictureLoader::loadsEveryFormat()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QSize, size);
    QFETCH(QList<QPoint>, points);
    QFETCH(QList<QRgb>, colours);
    QFETCH(int, tolerance);

    const QImage image = LoadPicture(Write(name, content), 0);
    QVERIFY(!image.isNull());
    QCOMPARE(image.format(), QImage::Format_RGB32);
    if (size.isValid()) {
        QCOMPARE(image.size(), size);
    }
    for (qsizetype i = 0; i < points.size(); ++i) {
        const QRgb pixel = image.pixel(points[i]);
        QVERIFY2(Near(pixel, colours[i], tolerance),
                 qPrintable(QStringLiteral("pixel at %1,%2 is %3")
                                .arg(points[i].x())
                                .arg(points[i].y())
                                .arg(pixel & 0xFFFFFF, 6, 16, QLatin1Char('0'))));
    }
}

void TestPictureLoader::refusesContent_data()
{
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("text") << QByteArray("Ортус 2000\r\n");
    QTest::newRow("4 KiB of zeros") << QByteArray(4096, '\0');
    QTest::newRow("pcx marker alone") << QByteArray("\x0A");

    QTest::newRow("bmp declaring 60000 x 60000") << BmpDeclaring(60000, 60000);
    QTest::newRow("png declaring 60000 x 60000") << PngDeclaring(60000, 60000);
    // Valid and small on disk; only the side limit stands in its way.
    QTest::newRow("png 16385 x 1") << Saved(QImage(16385, 1, QImage::Format_Mono), "PNG");
    QTest::newRow("jpeg declaring 60000 x 60000") << JpegDeclaring(60000, 60000);
    QTest::newRow("gif declaring 60000 x 60000") << RedGif(60000, 60000);
    QByteArray pcx = Fixture("rgb24.pcx");
    pcx.replace(4, 8, Le16s({0, 0, -5537, -5537})); // xmax and ymax 59999
    QTest::newRow("pcx declaring 60000 x 60000") << pcx;

    const QByteArray wmf = WmfLeftHalfRed();
    QByteArray longRecord = wmf;
    longRecord.replace(22 + 18, 4, Le(quint32(0x10000)));
    QTest::newRow("wmf, record size past the end") << longRecord;
    QByteArray zeroRecord = wmf;
    zeroRecord.replace(22 + 18, 4, Le(quint32(0)));
    QTest::newRow("wmf, record of size 0") << zeroRecord;
    QByteArray noEnd = wmf;
    noEnd.replace(noEnd.size() - 2, 2, Le(quint16(0x001E))); // SAVEDC where the end should be
    QTest::newRow("wmf, no end record") << noEnd;

    WmfBuilder wmfPolygon = WmfBuilder::LeftHalf(0x0000FF);
    wmfPolygon.Record(0x0324, Le16s({100, 150, 90, 190, 90}));
    QTest::newRow("wmf, polygon of more points than it holds")
        << wmfPolygon.Placeable(0, 0, 200, 100);
    WmfBuilder wmfText = WmfBuilder::LeftHalf(0x0000FF);
    wmfText.Record(0x0521, Le16s({50}) + "Hi" + Le16s({5, 110}));
    QTest::newRow("wmf, text longer than its record") << wmfText.Placeable(0, 0, 200, 100);
    WmfBuilder hugeWmfBitmap = WmfBuilder::LeftHalf(0x0000FF);
    hugeWmfBitmap.Record(0x0F43, Le(quint32(0x00CC0020)) +
                                     Le16s({0, 4, 4, 0, 0, 100, 100, 0, 100}) +
                                     SplitDib(60000, 60000));
    QTest::newRow("wmf, bitmap declaring 60000 x 60000") << hugeWmfBitmap.Placeable(0, 0, 200, 100);
    WmfBuilder shortWmfBitmap = WmfBuilder::LeftHalf(0x0000FF);
    shortWmfBitmap.Record(0x0F43, Le(quint32(0x00CC0020)) +
                                      Le16s({0, 4, 4, 0, 0, 100, 100, 0, 100}) + SplitDib(4, 50));
    QTest::newRow("wmf, bitmap lines beyond its record")
        << shortWmfBitmap.Placeable(0, 0, 200, 100);

    const QByteArray emf = EmfLeftHalfRed();
    QByteArray oddRecord = emf;
    oddRecord.replace(88 + 4, 4, Le(quint32(10)));
    QTest::newRow("emf, record size not a multiple of 4") << oddRecord;
    QByteArray secondHeader = emf;
    secondHeader.replace(88, 4, Le(quint32(1)));
    QTest::newRow("emf, second header record") << secondHeader;
    QByteArray description = emf;
    description.replace(60, 8, Le32s({100, 80}));
    QTest::newRow("emf, description outside the header") << description;
    EmfBuilder emfPolygon = EmfBuilder::LeftHalf(200, 100, 0x0000FF);
    emfPolygon.Record(86, Le32s({150, 10, 190, 90, 100}) + Le16s({150, 90, 190, 90}));
    QTest::newRow("emf, polygon of more points than it holds") << emfPolygon.Bytes(200, 100);
    EmfBuilder emfText = EmfBuilder::LeftHalf(200, 100, 0x0000FF);
    emfText.Record(84, Le32s({110, 5, 130, 20, 1, 0, 0, 110, 5, 2, 4000, 0, 0, 0, 0, 0, 0}) +
                           QByteArray("H\0i\0", 4));
    QTest::newRow("emf, text outside its record") << emfText.Bytes(200, 100);
    EmfBuilder hugeEmfBitmap = EmfBuilder::LeftHalf(200, 100, 0x0000FF);
    hugeEmfBitmap.Record(
        81, Le32s({100, 0, 199, 99, 100, 0, 0, 0, 4, 4, 80, 40, 120, 48, 0, 0x00CC0020, 100, 100}) +
                SplitDib(60000, 60000));
    QTest::newRow("emf, bitmap declaring 60000 x 60000") << hugeEmfBitmap.Bytes(200, 100);
    EmfBuilder strayEmfBitmap = EmfBuilder::LeftHalf(200, 100, 0x0000FF);
    strayEmfBitmap.Record(81, Le32s({100, 0, 199, 99, 100, 0, 0, 0, 4, 4, 80, 40, 4000, 48, 0,
                                     0x00CC0020, 100, 100}) +
                                  SplitDib());
    QTest::newRow("emf, bitmap offset outside its record") << strayEmfBitmap.Bytes(200, 100);
    QTest::newRow("emf, empty bounds and frame")
        << EmfBuilder::LeftHalf(0, 0, 0x0000FF).Bytes(0, 0);
}

void TestPictureLoader::refusesContent()
{
    QFETCH(QByteArray, content);
    QVERIFY(LoadPicture(Write("picture.bmp", content), 0).isNull());
}

void TestPictureLoader::refusesCutFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<qsizetype>("cut");

    const QList<std::pair<const char *, QByteArray>> files{
        {"bmp", Saved(TwoColourImage(), "BMP")},
        {"jpeg", Saved(TwoColourImage(), "JPEG")},
        {"png", Saved(TwoColourImage(), "PNG")},
        {"gif", RedGif()},
        {"pcx 1-bit", Fixture("mono.pcx")},
        {"pcx 4 planes", Fixture("ega16.pcx")},
        {"pcx 8-bit", Fixture("vga256.pcx")},
        {"pcx 24-bit", Fixture("rgb24.pcx")},
        {"wmf", WmfLeftHalfRed()},
        {"emf", EmfLeftHalfRed()},
    };
    for (const auto &[format, content] : files) {
        QVERIFY2(!DecodePicture(content).isNull(), format);
        for (const qsizetype cut : {qsizetype{8}, content.size() / 2, content.size() - 1}) {
            QTest::addRow("%s cut to %lld of %lld bytes", format, static_cast<long long>(cut),
                          static_cast<long long>(content.size()))
                << content << cut;
        }
    }
}

void TestPictureLoader::refusesCutFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(qsizetype, cut);
    QVERIFY(LoadPicture(Write("cut", content.first(cut)), 0).isNull());
}

void TestPictureLoader::keepsToGivenLimits_data()
{
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("bmp") << Saved(TwoColourImage(), "BMP");
    QTest::newRow("jpeg") << Saved(TwoColourImage(), "JPEG");
    QTest::newRow("png") << Saved(TwoColourImage(), "PNG");
    QTest::newRow("gif") << RedGif(20, 10);
    QImage indexed = TwoColourImage().convertToFormat(QImage::Format_Indexed8);
    QTest::newRow("bmp, 8-bit") << Saved(indexed, "BMP");
}

// Each 20 x 10: loaded within limits of exactly that, refused one pixel short of them.
void TestPictureLoader::keepsToGivenLimits()
{
    QFETCH(QByteArray, content);
    const QByteArray path = Write("picture", content);
    const int qtAllocationLimit = QImageReader::allocationLimit();

    PictureLimits exact;
    exact.maxSide = 20;
    exact.maxPixels = 200;
    exact.maxBytes = 800;
    QCOMPARE(LoadPicture(path, 0, exact).size(), QSize(20, 10));

    PictureLimits narrow = exact;
    narrow.maxSide = 19;
    QVERIFY(LoadPicture(path, 0, narrow).isNull());
    PictureLimits fewPixels = exact;
    fewPixels.maxPixels = 199;
    QVERIFY(LoadPicture(path, 0, fewPixels).isNull());
    // Qt's bound is process-wide; a small one left behind would break later loads.
    QCOMPARE(QImageReader::allocationLimit(), qtAllocationLimit);
}

void TestPictureLoader::scalesLargeMetafilesDown_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QSize>("size");

    // 30000 units at 48 to the inch: 60000 dots square.
    WmfBuilder wmf;
    wmf.Record(0x020B, Le16s({0, 0}))
        .Record(0x020C, Le16s({30000, 30000}))
        .Record(0x02FA, Le16s({5, 0, 0}) + Le(quint32(0)))
        .Record(0x012D, Le16s({0}))
        .Record(0x02FC, Le16s({0}) + Le(quint32(0x0000FF)) + Le16s({0}))
        .Record(0x012D, Le16s({1}))
        .Record(0x041B, Le16s({30000, 15000, 0, 0}));
    QTest::newRow("wmf") << wmf.Placeable(0, 0, 30000, 30000, 48) << QSize(2048, 2048);
    QTest::newRow("emf") << EmfBuilder::LeftHalf(60000, 30000, 0x0000FF).Bytes(60000, 30000)
                         << QSize(2048, 1024);
}

void TestPictureLoader::scalesLargeMetafilesDown()
{
    QFETCH(QByteArray, content);
    QFETCH(QSize, size);

    const QImage image = LoadPicture(Write("large", content), 0);
    QCOMPARE(image.size(), size);
    QCOMPARE(image.pixel(size.width() / 4, size.height() / 2), Red);
    QCOMPARE(image.pixel(size.width() * 3 / 4, size.height() / 2), White);
}

void TestPictureLoader::scalesMetafilesToGivenSide()
{
    PictureLimits limits;
    limits.maxMetafileSide = 50;
    for (const QByteArray &content : {WmfLeftHalfRed(), EmfLeftHalfRed()}) {
        const QImage image = LoadPicture(Write("small", content), 0, limits);
        QCOMPARE(image.size(), QSize(50, 25));
        QCOMPARE(image.pixel(10, 12), Red);
        QCOMPARE(image.pixel(40, 12), White);
    }
}

void TestPictureLoader::stopsMetafileThatTakesTooLong()
{
    PictureLimits limits;
    limits.metafileTime = std::chrono::seconds(1);
    QVERIFY(!LoadPicture(Write("quick.wmf", WmfLeftHalfRed()), 0, limits).isNull());

    // libwmf draws each glyph of a 30000-unit font pixel by pixel: many seconds of work.
    WmfBuilder wmf = WmfBuilder::LeftHalf(0x0000FF);
    wmf.Record(0x02FB,
               Le16s({30000, 0, 0, 0, 400}) + QByteArray(8, '\0') + QByteArray("Arial\0", 6))
        .Record(0x012D, Le16s({2}))
        .Record(0x0521, Le16s({5}) + QByteArray("Hello\0", 6) + Le16s({10, 10}));
    QVERIFY(LoadPicture(Write("slow.wmf", wmf.Placeable(0, 0, 200, 100)), 0, limits).isNull());
}

void TestPictureLoader::refusesWhatIsNoPictureFile_data()
{
    QTest::addColumn<QString>("kind");

    QTest::newRow("empty path") << "empty";
    QTest::newRow("missing file") << "missing";
    QTest::newRow("missing directory") << "missing directory";
    QTest::newRow("directory") << "directory";
    QTest::newRow("named pipe with no writer") << "fifo";
}

void TestPictureLoader::refusesWhatIsNoPictureFile()
{
    QFETCH(QString, kind);

    QByteArray path;
    if (kind == "missing") {
        path = QFile::encodeName(m_dir->filePath("absent.bmp"));
    } else if (kind == "missing directory") {
        path = QFile::encodeName(m_dir->filePath("absent/picture.bmp"));
    } else if (kind == "directory") {
        QVERIFY(QDir(m_dir->path()).mkdir("picture.bmp"));
        path = QFile::encodeName(m_dir->filePath("picture.bmp"));
    } else if (kind == "fifo") {
        path = QFile::encodeName(m_dir->filePath("picture.pcx"));
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    }
    QVERIFY(LoadPicture(path, 0).isNull());
}

void TestPictureLoader::refusesLargeFilesUnread_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<qint64>("size");

    QTest::newRow("100 MB of zeros") << QByteArray() << qint64{100} * 1024 * 1024;
    QTest::newRow("300 MB behind a pcx header")
        << Fixture("rgb24.pcx").first(128) << qint64{300} * 1024 * 1024;
}

void TestPictureLoader::refusesLargeFilesUnread()
{
    QFETCH(QByteArray, head);
    QFETCH(qint64, size);

    // Sparse: no disk space is used, and nothing in it is worth reading.
    const QByteArray path = Write("large.pcx", head);
    QFile file(QFile::decodeName(path));
    QVERIFY(file.resize(size));
    QVERIFY(LoadPicture(path, 0).isNull());
}

void TestPictureLoader::findsPathInEitherEncoding_data()
{
    QTest::addColumn<QByteArray>("name");

    QTest::newRow("utf-8") << QByteArray("\xD0\xA4\xD0\xBE\xD0\xBD.bmp");
    QTest::newRow("code page 1251") << QByteArray("\xD4\xEE\xED.bmp");
}

void TestPictureLoader::findsPathInEitherEncoding()
{
    QFETCH(QByteArray, name);

    QVERIFY(!Write(QStringLiteral("Фон.bmp"), Saved(TwoColourImage(), "BMP")).isEmpty());
    const QByteArray directory = QFile::encodeName(m_dir->path());
    QCOMPARE(LoadPicture(directory + '/' + name, 0).size(), QSize(20, 10));
}

void TestPictureLoader::readsFileAnewEachTime()
{
    QImage picture = TwoColourImage();
    const QByteArray path = Write("picture.bmp", Saved(picture, "BMP"));
    QCOMPARE(LoadPicture(path, 0).pixel(0, 0), Red);
    picture.fill(Blue);
    Write("picture.bmp", Saved(picture, "BMP"));
    QCOMPARE(LoadPicture(path, 0).pixel(0, 0), Blue);
}

QTEST_MAIN(TestPictureLoader)
#include "tst_pictureloader.moc"
