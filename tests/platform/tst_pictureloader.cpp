#include "platform/pictureloader.h"
#include "support/startdirectory.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
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

template <typename T> QByteArray LeList(std::initializer_list<T> values)
{
    QByteArray bytes;
    for (const T value : values) {
        bytes += Le(value);
    }
    return bytes;
}

const auto Le16s = LeList<qint16>;
const auto Le32s = LeList<qint32>;

// 20 x 10: the left half red, the right half blue.
QImage TwoColourImage()
{
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Blue);
    QPainter(&image).fillRect(0, 0, 10, 10, QColor(Red));
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

    // Window of the given units, no outline; the given brush colour fills the left half.
    static WmfBuilder LeftHalf(quint32 colour, qint16 width = 200, qint16 height = 100)
    {
        WmfBuilder wmf;
        wmf.Record(0x020B, Le16s({0, 0}))                              // SETWINDOWORG
            .Record(0x020C, Le16s({height, width}))                    // SETWINDOWEXT
            .Record(0x02FA, Le16s({5, 0, 0}) + Le(quint32(0)))         // CREATEPENINDIRECT
            .Record(0x012D, Le16s({0}))                                // SELECTOBJECT
            .Record(0x02FC, Le16s({0}) + Le(colour) + Le16s({0}))      // CREATEBRUSHINDIRECT
            .Record(0x012D, Le16s({1}))                                // SELECTOBJECT
            .Record(0x041B, Le16s({height, qint16(width / 2), 0, 0})); // RECTANGLE
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

// The bytes with some of them replaced.
QByteArray Patched(QByteArray bytes, qsizetype at, const QByteArray &with)
{
    return bytes.replace(at, with.size(), with);
}

// The left half red, and a bitmap stretched into the right half (STRETCHDIB).
QByteArray WmfWithBitmap(const QByteArray &dib)
{
    WmfBuilder wmf = WmfBuilder::LeftHalf(0x0000FF);
    wmf.Record(0x0F43, Le(quint32(0x00CC0020)) + Le16s({0, 4, 4, 0, 0, 100, 100, 0, 100}) + dib);
    return wmf.Placeable(0, 0, 200, 100);
}

// The same in an EMF (EMR_STRETCHDIBITS): bounds, destination, source, the bitmap header's offset
// (right after these fields) and size, the bits' offset and size, usage, raster operation and
// destination size.
QByteArray EmfWithBitmap(qint32 bitsOffset, const QByteArray &dib)
{
    EmfBuilder emf = EmfBuilder::LeftHalf(200, 100, 0x0000FF);
    emf.Record(81, Le32s({100, 0, 199, 99, 100, 0, 0, 0, 4, 4, 80, 40, bitsOffset, 48, 0,
                          0x00CC0020, 100, 100}) +
                       dib);
    return emf.Bytes(200, 100);
}

// Points of a picture and their colours.
using Pixels = QList<std::pair<QPoint, QRgb>>;

} // namespace

// Whether a library whose file name holds the text is mapped into this process.
bool LibraryLoaded(const QByteArray &name)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(name);
}

class TestPictureLoader : public QObject {
    Q_OBJECT

private slots:
    // Runs before any test draws a metafile.
    void initTestCase()
    {
        QVERIFY(!LibraryLoaded("libwmf"));
        QVERIFY(!LibraryLoaded("libemf2svg"));
    }

    void metafileLibrariesLoadWhenAMetafileIsDrawn()
    {
        QVERIFY(!LoadPicture(Write("picture.wmf", WmfLeftHalfRed()), 0).isNull());
        QVERIFY(LibraryLoaded("libwmf"));
        QVERIFY(!LoadPicture(Write("picture.emf", EmfLeftHalfRed()), 0).isNull());
        QVERIFY(LibraryLoaded("libemf2svg"));
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    // The content tells the format: every file here is named .pcx.
    void loadsEveryFormat_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Pixels>("pixels");

        const Pixels halves{{{4, 5}, Red}, {{15, 5}, Blue}};
        QTest::newRow("bmp") << Saved(TwoColourImage(), "BMP") << QSize(20, 10) << halves;
        QTest::newRow("jpeg") << Saved(TwoColourImage(), "JPEG") << QSize(20, 10) << halves;
        QTest::newRow("png") << Saved(TwoColourImage(), "PNG") << QSize(20, 10) << halves;
        QTest::newRow("gif") << RedGif() << QSize(1, 1) << Pixels{{{0, 0}, Red}};

        // Files of other programs, not of a builder here.
        QTest::newRow("mono.pcx") << Fixture("mono.pcx") << QSize(11, 4)
                                  << Pixels{{{1, 0}, Black}, {{8, 1}, White}, {{3, 3}, White}};
        for (const char *name : {"ega16.pcx", "packed16.pcx", "vga256.pcx", "rgb24.pcx"}) {
            QTest::newRow(name) << Fixture(name) << QSize(11, 4)
                                << Pixels{{{1, 0}, PcxTopLeft},
                                          {{8, 1}, PcxTopRight},
                                          {{3, 3}, PcxBottom}};
        }

        const Pixels metafileHalves{{{40, 50}, Red}, {{160, 50}, White}};
        QTest::newRow("wmf") << WmfLeftHalfRed() << QSize(200, 100) << metafileHalves;
        // Without the placeable header the drawing's own extent is the picture.
        QTest::newRow("wmf without placeable header")
            << WmfBuilder::LeftHalf(0x0000FF).Plain() << QSize() << Pixels{{{0, 0}, Red}};
        QTest::newRow("emf") << EmfLeftHalfRed() << QSize(200, 100) << metafileHalves;

        // A red triangle in the right half, and a word of text above it.
        const Pixels triangle{{{40, 50}, Red}, {{170, 63}, Red}, {{120, 80}, White}};
        WmfBuilder wmfShapes = WmfBuilder::LeftHalf(0x0000FF);
        wmfShapes
            .Record(0x0324, Le16s({3, 150, 90, 190, 90, 170, 10})) // POLYGON
            .Record(0x0521, Le16s({2}) + "Hi" + Le16s({5, 110}));  // TEXTOUT
        QTest::newRow("wmf with a polygon and text")
            << wmfShapes.Placeable(0, 0, 200, 100) << QSize(200, 100) << triangle;
        EmfBuilder emfShapes = EmfBuilder::LeftHalf(200, 100, 0x0000FF);
        emfShapes.Record(86, Le32s({150, 10, 190, 90, 3}) + Le16s({150, 90, 190, 90, 170, 10}))
            .Record(84, Le32s({110, 5, 130, 20, 1, 0, 0, 110, 5, 2, 76, 0, 0, 0, 0, 0, 80}) +
                            QByteArray("H\0i\0", 4) + Le32s({8, 8})); // EMR_EXTTEXTOUTW
        QTest::newRow("emf with a polygon and text")
            << emfShapes.Bytes(200, 100) << QSize(200, 100) << triangle;

        const Pixels bitmap{{{40, 50}, Red}, {{120, 50}, Blue}, {{180, 50}, Red}};
        QTest::newRow("wmf with a bitmap")
            << WmfWithBitmap(SplitDib()) << QSize(200, 100) << bitmap;
        QTest::newRow("emf with a bitmap")
            << EmfWithBitmap(120, SplitDib()) << QSize(200, 100) << bitmap;
    }

    void loadsEveryFormat()
    {
        QFETCH(QByteArray, content);
        QFETCH(QSize, size);
        QFETCH(Pixels, pixels);
        // JPEG is lossy.
        const int tolerance = QTest::currentDataTag() == QByteArrayView("jpeg") ? 48 : 0;

        const QImage image = LoadPicture(Write("picture.pcx", content), 0);
        QVERIFY(!image.isNull());
        QCOMPARE(image.format(), QImage::Format_RGB32);
        if (size.isValid()) {
            QCOMPARE(image.size(), size);
        }
        for (const auto &[point, colour] : pixels) {
            const QRgb pixel = image.pixel(point);
            QVERIFY2(
                Near(pixel, colour, tolerance),
                qPrintable(
                    QStringLiteral("%1,%2 is %3").arg(point.x()).arg(point.y()).arg(pixel, 6, 16)));
        }
    }

    void refusesContent_data()
    {
        QTest::addColumn<QByteArray>("content");

        QTest::newRow("empty file") << QByteArray();
        // A GIF's image takes the size of its logical screen, whatever its frame announces.
        QTest::newRow("gif screen of 60000 x 60000") << RedGif(60000, 60000);
        // Valid and small on disk; only the side limit stands in its way.
        QTest::newRow("png 16385 x 1") << Saved(QImage(16385, 1, QImage::Format_Mono), "PNG");

        const QByteArray wmf = WmfLeftHalfRed();
        QTest::newRow("wmf, record size past the end")
            << Patched(wmf, 22 + 18, Le(quint32(0x10000)));
        QTest::newRow("wmf, record of size 0") << Patched(wmf, 22 + 18, Le(quint32(0)));
        // SAVEDC where the end should be.
        QTest::newRow("wmf, no end record") << Patched(wmf, wmf.size() - 2, Le(quint16(0x001E)));
        WmfBuilder wmfPolygon = WmfBuilder::LeftHalf(0x0000FF);
        wmfPolygon.Record(0x0324, Le16s({100, 150, 90, 190, 90}));
        QTest::newRow("wmf, polygon of more points than it holds")
            << wmfPolygon.Placeable(0, 0, 200, 100);
        WmfBuilder wmfText = WmfBuilder::LeftHalf(0x0000FF);
        wmfText.Record(0x0521, Le16s({50}) + "Hi" + Le16s({5, 110}));
        QTest::newRow("wmf, text longer than its record") << wmfText.Placeable(0, 0, 200, 100);
        QTest::newRow("wmf, bitmap declaring 60000 x 60000")
            << WmfWithBitmap(SplitDib(60000, 60000));
        QTest::newRow("wmf, bitmap lines beyond its record") << WmfWithBitmap(SplitDib(4, 50));

        const QByteArray emf = EmfLeftHalfRed();
        QTest::newRow("emf, record size not a multiple of 4")
            << Patched(emf, 88 + 4, Le(quint32(10)));
        QTest::newRow("emf, second header record") << Patched(emf, 88, Le(quint32(1)));
        QTest::newRow("emf, description outside the header") << Patched(emf, 60, Le32s({100, 80}));
        EmfBuilder emfPolygon = EmfBuilder::LeftHalf(200, 100, 0x0000FF);
        emfPolygon.Record(86, Le32s({150, 10, 190, 90, 100}) + Le16s({150, 90, 190, 90}));
        QTest::newRow("emf, polygon of more points than it holds") << emfPolygon.Bytes(200, 100);
        EmfBuilder emfText = EmfBuilder::LeftHalf(200, 100, 0x0000FF);
        emfText.Record(84, Le32s({110, 5, 130, 20, 1, 0, 0, 110, 5, 2, 4000, 0, 0, 0, 0, 0, 0}) +
                               QByteArray("H\0i\0", 4));
        QTest::newRow("emf, text outside its record") << emfText.Bytes(200, 100);
        QTest::newRow("emf, bitmap declaring 60000 x 60000")
            << EmfWithBitmap(120, SplitDib(60000, 60000));
        QTest::newRow("emf, bitmap offset outside its record") << EmfWithBitmap(4000, SplitDib());
        QTest::newRow("emf, empty bounds and frame")
            << EmfBuilder::LeftHalf(0, 0, 0x0000FF).Bytes(0, 0);

        // A file cut short is refused, not shown in part.
        for (const auto &[format, content] :
             QList<std::pair<const char *, QByteArray>>{{"bmp", Saved(TwoColourImage(), "BMP")},
                                                        {"jpeg", Saved(TwoColourImage(), "JPEG")},
                                                        {"png", Saved(TwoColourImage(), "PNG")},
                                                        {"gif", RedGif()},
                                                        {"wmf", wmf},
                                                        {"emf", emf}}) {
            QVERIFY2(!DecodePicture(content).isNull(), format);
            for (const qsizetype cut : {qsizetype{8}, content.size() / 2, content.size() - 1}) {
                QTest::addRow("%s cut to %lld bytes", format, static_cast<long long>(cut))
                    << content.first(cut);
            }
        }
    }

    void refusesContent()
    {
        QFETCH(QByteArray, content);
        QVERIFY(LoadPicture(Write("picture.bmp", content), 0).isNull());
    }

    void keepsToGivenLimits_data()
    {
        QTest::addColumn<QByteArray>("content");

        QTest::newRow("bmp") << Saved(TwoColourImage(), "BMP");
        QTest::newRow("jpeg") << Saved(TwoColourImage(), "JPEG");
        QTest::newRow("gif") << RedGif(20, 10);
        QTest::newRow("bmp, 8-bit")
            << Saved(TwoColourImage().convertToFormat(QImage::Format_Indexed8), "BMP");
    }

    // Each 20 x 10: loaded within limits of exactly that, refused one pixel short of them.
    void keepsToGivenLimits()
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

    // Metafiles are drawn at their declared size, scaled down to fit the side limit.
    void scalesMetafiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("side");
        QTest::addColumn<QSize>("size");

        // 30000 units at 48 to the inch: 60000 dots square.
        QTest::newRow("large wmf")
            << WmfBuilder::LeftHalf(0x0000FF, 30000, 30000).Placeable(0, 0, 30000, 30000, 48)
            << 2048 << QSize(2048, 2048);
        QTest::newRow("large emf")
            << EmfBuilder::LeftHalf(60000, 30000, 0x0000FF).Bytes(60000, 30000) << 2048
            << QSize(2048, 1024);
        QTest::newRow("wmf, given side") << WmfLeftHalfRed() << 50 << QSize(50, 25);
        QTest::newRow("emf, given side") << EmfLeftHalfRed() << 50 << QSize(50, 25);
    }

    void scalesMetafiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, side);
        QFETCH(QSize, size);

        PictureLimits limits;
        limits.maxMetafileSide = side;
        const QImage image = LoadPicture(Write("metafile", content), 0, limits);
        QCOMPARE(image.size(), size);
        QCOMPARE(image.pixel(size.width() / 4, size.height() / 2), Red);
        QCOMPARE(image.pixel(size.width() * 3 / 4, size.height() / 2), White);
    }

    void stopsMetafileThatTakesTooLong()
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

    void refusesWhatIsNoPictureFile()
    {
        const auto path = [&](const char *name) {
            return QFile::encodeName(m_dir->filePath(name));
        };
        QVERIFY(QDir(m_dir->path()).mkdir("directory.bmp"));
        QCOMPARE(::mkfifo(path("fifo.pcx").constData(), 0600), 0);
        for (const QByteArray &name : {QByteArray(), path("absent.bmp"), path("absent/picture.bmp"),
                                       path("directory.bmp"), path("fifo.pcx")}) {
            QVERIFY2(LoadPicture(name, 0).isNull(), name.constData());
        }
        // Unknown content is refused unread, and so is a file larger than a picture can be. Sparse:
        // no disk space is used.
        for (const QByteArray &head : {QByteArray(), Fixture("rgb24.pcx").first(128)}) {
            QFile file(QFile::decodeName(Write("large.pcx", head)));
            QVERIFY(file.resize(qint64{300} * 1024 * 1024));
            QVERIFY(LoadPicture(QFile::encodeName(file.fileName()), 0).isNull());
        }
    }

private:
    QByteArray Write(const QString &name, const QByteArray &content)
    {
        return QFile::encodeName(
            QString::fromStdString(WriteFixtureFile(m_dir->filePath(name), content)));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestPictureLoader)
#include "tst_pictureloader.moc"
