#include "imageformats/metafile.h"
#include "imageformats/pictureloader.h"
#include "support/startdirectory.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

namespace {

const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 255, 0);
const QRgb Blue = qRgb(0, 0, 255);
const QRgb White = qRgb(255, 255, 255);
const QRgb Black = qRgb(0, 0, 0);

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

// A red GIF of one pixel on a screen of the given size.
QByteArray RedGif(int screenWidth = 1, int screenHeight = 1)
{
    QByteArray gif = "GIF87a" + QByteArray::fromHex("00000000800000"
                                                    "ff0000000000"
                                                    "2c000000000100010000"
                                                    "0202440100"
                                                    "3b");
    qToLittleEndian(quint16(screenWidth), gif.data() + 6);
    qToLittleEndian(quint16(screenHeight), gif.data() + 8);
    return gif;
}

// A file of the repository: pictures of other programs, the test pictures named after what they
// hold, and the fuzz corpus, whose metafiles are 200 x 100 units, the left half red (the plain WMF
// without its frame), with a polygon and text, or with a bitmap.
QByteArray Source(const char *path)
{
    QFile file(QStringLiteral(ORTUS_SOURCE_DIR "/") + QLatin1String(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether a library whose file name holds the text is mapped into this process.
bool LibraryLoaded(const QByteArray &name)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(name);
}

// Points of a picture and their colours.
using Pixels = QList<std::pair<QPoint, QRgb>>;

} // namespace

class TestPictureLoader : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("ORTUS_METAFILE_HELPER", ORTUS_METAFILE_HELPER_PATH); }

    // Every metafile of the tests was drawn, and by the helper alone.
    void cleanupTestCase()
    {
        QVERIFY(!LibraryLoaded("libwmf"));
        QVERIFY(!LibraryLoaded("libemf2svg"));
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
        QTest::newRow("png") << Saved(TwoColourImage(), "PNG") << QSize(20, 10) << halves;
        QTest::newRow("gif") << RedGif() << QSize(1, 1) << Pixels{{{0, 0}, Red}};

        // Files of the repository, named by their paths.
        const auto file = [](const char *path, QSize size, const Pixels &pixels) {
            QTest::newRow(path) << Source(path) << size << pixels;
        };
        file("fuzz/corpus/pcx/mono.pcx", {11, 4},
             {{{1, 0}, Black}, {{8, 1}, White}, {{3, 3}, White}});
        // The colours of the committed PCX pictures: top left, top right, bottom.
        const Pixels pcx{
            {{1, 0}, qRgb(200, 0, 0)}, {{8, 1}, qRgb(0, 0, 200)}, {{3, 3}, qRgb(0, 150, 0)}};
        file("fuzz/corpus/pcx/ega16.pcx", {11, 4}, pcx);
        file("fuzz/corpus/pcx/packed16.pcx", {11, 4}, pcx);
        file("fuzz/corpus/pcx/vga256.pcx", {11, 4}, pcx);
        file("fuzz/corpus/pcx/rgb24.pcx", {11, 4}, pcx);
        file("fuzz/corpus/pcx/rgb24-uncompressed.pcx", {11, 4}, pcx);
        // Plane 0 gives the low bit of the colour index; of packed pixels the high half comes
        // first; a run of length 0 is skipped; the window gives the size, not a position.
        file("tests/data/pictures/two-planes.pcx", {4, 1},
             {{{0, 0}, Black}, {{1, 0}, Red}, {{2, 0}, Green}, {{3, 0}, Blue}});
        file("tests/data/pictures/packed16-odd-width.pcx", {3, 1},
             {{{0, 0}, Green}, {{1, 0}, Red}, {{2, 0}, Black}});
        const Pixels rgb{{{0, 0}, Red},   {{1, 0}, Green}, {{2, 0}, Blue},
                         {{0, 1}, White}, {{1, 1}, Black}, {{2, 1}, White}};
        file("tests/data/pictures/rgb24-empty-run.pcx", {3, 2}, rgb);
        file("tests/data/pictures/rgb24-window-at-640-480.pcx", {3, 2}, rgb);
        file("tests/data/pictures/rgb24-run-across-planes-and-lines.pcx", {3, 2},
             {{{0, 0}, qRgb(0x7F, 0x7F, 0x7F)}, {{2, 1}, qRgb(0x7F, 0x7F, 0x7F)}});

        const Pixels leftHalf{{{40, 50}, Red}, {{160, 50}, White}};
        file("fuzz/corpus/metafile/rectangle-placeable.wmf", {200, 100}, leftHalf);
        // Without the placeable header the drawing's own extent is the picture.
        file("fuzz/corpus/metafile/rectangle-plain.wmf", {}, {{{0, 0}, Red}});
        file("fuzz/corpus/metafile/rectangle.emf", {200, 100}, leftHalf);
        // A red triangle reaching into the right half, and a word of text.
        const Pixels triangle{{{40, 80}, Red}, {{170, 85}, Red}, {{120, 20}, White}};
        file("fuzz/corpus/metafile/text-polygon.wmf", {200, 100}, triangle);
        file("fuzz/corpus/metafile/text-polygon.emf", {200, 100}, triangle);
        // A bitmap, its left half blue, stretched into the right half.
        const Pixels bitmap{{{40, 50}, Red}, {{120, 50}, Blue}, {{180, 50}, Red}};
        file("fuzz/corpus/metafile/bitmap.wmf", {200, 100}, bitmap);
        file("fuzz/corpus/metafile/bitmap.emf", {200, 100}, bitmap);
    }

    void loadsEveryFormat()
    {
        QFETCH(QByteArray, content);
        QFETCH(QSize, size);
        QFETCH(Pixels, pixels);

        const QImage image = LoadPicture(Write("picture.pcx", content), 0);
        QVERIFY(!image.isNull());
        QCOMPARE(image.format(), QImage::Format_RGB32);
        if (size.isValid()) {
            QCOMPARE(image.size(), size);
        }
        for (const auto &[point, colour] : pixels) {
            const QRgb pixel = image.pixel(point);
            QVERIFY2(
                pixel == colour,
                qPrintable(
                    QStringLiteral("%1,%2 is %3").arg(point.x()).arg(point.y()).arg(pixel, 6, 16)));
        }
    }

    // Each loaded within limits of exactly its size and the bytes its decoding takes, refused one
    // pixel or one byte short of them.
    void keepsToGivenLimits_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("bytes");

        QTest::newRow("bmp") << Saved(TwoColourImage(), "BMP") << QSize(20, 10) << 800;
        QTest::newRow("jpeg") << Saved(TwoColourImage(), "JPEG") << QSize(20, 10) << 800;
        QTest::newRow("gif") << RedGif(20, 10) << QSize(20, 10) << 800;
        QTest::newRow("bmp, 8-bit")
            << Saved(TwoColourImage().convertToFormat(QImage::Format_Indexed8), "BMP")
            << QSize(20, 10) << 800;
        // Lines padded to 6 bytes a plane are decoded whole.
        QTest::newRow("pcx") << Source("tests/data/pictures/rgb24-lines-padded-to-6.pcx")
                             << QSize(3, 2) << 36;
    }

    void keepsToGivenLimits()
    {
        QFETCH(QByteArray, content);
        QFETCH(QSize, size);
        QFETCH(int, bytes);
        const int qtAllocationLimit = QImageReader::allocationLimit();

        PictureLimits exact;
        exact.maxSide = std::max(size.width(), size.height());
        exact.maxPixels = size.width() * size.height();
        exact.maxBytes = bytes;
        QCOMPARE(DecodePicture(content, exact).size(), size);
        PictureLimits narrow = exact;
        narrow.maxSide -= 1;
        PictureLimits fewPixels = exact;
        fewPixels.maxPixels -= 1;
        PictureLimits fewBytes = exact;
        fewBytes.maxBytes -= 1;
        for (const PictureLimits &limits : {narrow, fewPixels, fewBytes}) {
            QVERIFY(DecodePicture(content, limits).isNull());
        }
        // Qt's bound is process-wide; a small one left behind would break later loads.
        QCOMPARE(QImageReader::allocationLimit(), qtAllocationLimit);
    }

    // Metafiles are drawn at their declared size, scaled down to fit the side limit.
    void scalesMetafiles_data()
    {
        QTest::addColumn<QByteArray>("content");

        QTest::newRow("wmf") << Source("fuzz/corpus/metafile/rectangle-placeable.wmf");
        QTest::newRow("emf") << Source("fuzz/corpus/metafile/rectangle.emf");
    }

    void scalesMetafiles()
    {
        QFETCH(QByteArray, content);

        PictureLimits limits;
        limits.maxMetafileSide = 50;
        const QImage image = LoadPicture(Write("metafile", content), 0, limits);
        QCOMPARE(image.size(), QSize(50, 25));
        QCOMPARE(image.pixel(12, 12), Red);
        QCOMPARE(image.pixel(37, 12), White);
    }

    // No picture, and no wait beyond the time limit, whatever goes wrong in the helper.
    void noPictureWhenTheHelperFails_data()
    {
        QTest::addColumn<QByteArray>("helper");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("timeLimitMs");

        const QByteArray built = ORTUS_METAFILE_HELPER_PATH;
        const QByteArray good = Source("fuzz/corpus/metafile/rectangle-placeable.wmf");
        QTest::newRow("missing") << QByteArray("/nonexistent/ortus-metafile") << good << 5000;
        QTest::newRow("writing no picture") << QByteArray("/bin/echo") << good << 5000;
        QTest::newRow("refusing the file")
            << built << Source("fuzz/corpus/metafile-refused/no-end-record.wmf") << 5000;
        QTest::newRow("crashing in libwmf")
            << built << Source("tests/data/pictures/libwmf-crash.wmf") << 5000;
        // Its font's height set to 0, the default: libwmf never finishes drawing the text.
        QTest::newRow("out of time")
            << built
            << Source("fuzz/corpus/metafile/text-polygon.wmf").replace(126, 2, QByteArray(2, '\0'))
            << 200;
    }

    void noPictureWhenTheHelperFails()
    {
        QFETCH(QByteArray, helper);
        QFETCH(QByteArray, content);
        QFETCH(int, timeLimitMs);

        PictureLimits limits;
        limits.metafileTime = std::chrono::milliseconds(timeLimitMs);
        qputenv("ORTUS_METAFILE_HELPER", helper);
        const QImage image = LoadPicture(Write("picture.wmf", content), 0, limits);
        qputenv("ORTUS_METAFILE_HELPER", ORTUS_METAFILE_HELPER_PATH);
        QVERIFY(image.isNull());
    }

    // An installed program finds its helper under libexec; in the build tree it lies beside.
    void findsTheHelper_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("installedExecutable");
        QTest::addColumn<bool>("beside");
        QTest::addColumn<bool>("expectInstalled");

        QTest::newRow("installed") << true << true << false << true;
        QTest::newRow("build tree") << false << false << true << false;
        QTest::newRow("installed one first") << true << true << true << true;
        QTest::newRow("installed one not executable") << true << false << true << false;
        QTest::newRow("none: beside, which then fails") << false << false << false << false;
    }

    void findsTheHelper()
    {
        QFETCH(bool, installed);
        QFETCH(bool, installedExecutable);
        QFETCH(bool, beside);
        QFETCH(bool, expectInstalled);

        const QString programDir = m_dir->filePath(QStringLiteral("usr/bin"));
        const QString installedHelper = QDir::cleanPath(
            programDir + QStringLiteral("/" ORTUS_HELPER_DIR_FROM_PROGRAM "/ortus-metafile"));
        const QString besideHelper = programDir + QStringLiteral("/ortus-metafile");
        const auto place = [](const QString &path, bool executable) {
            QDir().mkpath(QFileInfo(path).path());
            WriteFixtureFile(path, "#!/bin/sh\n");
            return QFile::setPermissions(path, executable ? QFile::ReadOwner | QFile::ExeOwner
                                                          : QFile::ReadOwner);
        };
        QVERIFY(QDir().mkpath(programDir));
        QVERIFY(!installed || place(installedHelper, installedExecutable));
        QVERIFY(!beside || place(besideHelper, true));
        QCOMPARE(MetafileHelperFor(programDir), expectInstalled ? installedHelper : besideHelper);
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
        for (const QByteArray &head :
             {QByteArray(), Source("fuzz/corpus/pcx/rgb24.pcx").first(128)}) {
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
