#include "platform/pcxdecoder.h"

#include <QtTest>

namespace {

// Runs of up to 63 bytes; a byte with both top bits set always goes as a run, even alone.
QByteArray RunLengthEncode(const QByteArray &raw)
{
    QByteArray out;
    for (qsizetype i = 0; i < raw.size();) {
        const char value = raw[i];
        qsizetype length = 1;
        while (i + length < raw.size() && raw[i + length] == value && length < 63) {
            ++length;
        }
        if (length > 1 || (static_cast<unsigned char>(value) & 0xC0) == 0xC0) {
            out.append(static_cast<char>(0xC0 | length));
        }
        out.append(value);
        i += length;
    }
    return out;
}

// A PCX file from its header fields and the bytes that follow the header.
struct PcxFile {
    int version = 5;
    int encoding = 1;
    int bits = 8;
    int planes = 1;
    int xMin = 0;
    int yMin = 0;
    int xMax = 0;
    int yMax = 0;
    int bytesPerLine = 0;
    QByteArray headerPalette;
    QByteArray body;

    QByteArray Bytes() const
    {
        QByteArray header(128, '\0');
        const auto put16 = [&](int at, int value) {
            header[at] = static_cast<char>(value & 0xFF);
            header[at + 1] = static_cast<char>((value >> 8) & 0xFF);
        };
        header[0] = 0x0A;
        header[1] = static_cast<char>(version);
        header[2] = static_cast<char>(encoding);
        header[3] = static_cast<char>(bits);
        put16(4, xMin);
        put16(6, yMin);
        put16(8, xMax);
        put16(10, yMax);
        header.replace(16, headerPalette.size(), headerPalette);
        header[65] = static_cast<char>(planes);
        put16(66, bytesPerLine);
        return header + body;
    }
};

QByteArray Rgb(std::initializer_list<QRgb> colours)
{
    QByteArray bytes;
    for (const QRgb colour : colours) {
        bytes.append(static_cast<char>(qRed(colour)));
        bytes.append(static_cast<char>(qGreen(colour)));
        bytes.append(static_cast<char>(qBlue(colour)));
    }
    return bytes;
}

// The end palette: marker, then 256 entries, of which the given ones come first.
QByteArray EndPalette(std::initializer_list<QRgb> colours)
{
    QByteArray palette = Rgb(colours);
    palette.resize(768, '\0');
    return '\x0C' + palette;
}

const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 255, 0);
const QRgb Blue = qRgb(0, 0, 255);
const QRgb White = qRgb(255, 255, 255);
const QRgb Black = qRgb(0, 0, 0);

// 3 x 2, 24-bit, each line padded to 4 bytes a plane: red green blue / white black white.
PcxFile TrueColourFile()
{
    PcxFile file;
    file.planes = 3;
    file.xMax = 2;
    file.yMax = 1;
    file.bytesPerLine = 4;
    const QByteArray lines = QByteArray::fromHex("ff0000ee"
                                                 "00ff00ee"
                                                 "0000ffee"
                                                 "ff00ffee"
                                                 "ff00ffee"
                                                 "ff00ffee");
    file.body = RunLengthEncode(lines.first(12)) + RunLengthEncode(lines.sliced(12));
    return file;
}

} // namespace

class TestPicturePcx : public QObject {
    Q_OBJECT

private slots:
    void decodesLayouts_data();
    void decodesLayouts();
    void runsMayCrossLines();
    void readsUnencodedData();
    void skipsEmptyRuns();
    void windowGivesSizeNotPosition();
    void refusesBadHeaders_data();
    void refusesBadHeaders();
    void refusesCutFiles_data();
    void refusesCutFiles();
    void keepsToGivenLimits();
};

void TestPicturePcx::decodesLayouts_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<QRgb>>("firstLine");

    // Mono is black and white whatever the header palette says.
    PcxFile mono;
    mono.bits = 1;
    mono.xMax = 9;
    mono.bytesPerLine = 2;
    mono.headerPalette = Rgb({Red, Green});
    mono.body = RunLengthEncode(QByteArray::fromHex("a040"));
    QTest::newRow("1-bit mono, 10 wide")
        << mono.Bytes()
        << QList<QRgb>{White, Black, White, Black, Black, Black, Black, Black, Black, White};

    // Two planes of one bit: plane 0 gives the low bit of the colour index.
    PcxFile fourColours;
    fourColours.bits = 1;
    fourColours.planes = 2;
    fourColours.xMax = 3;
    fourColours.bytesPerLine = 2;
    fourColours.headerPalette = Rgb({Black, Red, Green, Blue});
    fourColours.body = RunLengthEncode(QByteArray::fromHex("5000"
                                                           "3000"));
    QTest::newRow("1-bit, 2 planes") << fourColours.Bytes() << QList<QRgb>{Black, Red, Green, Blue};

    PcxFile ega;
    ega.bits = 1;
    ega.planes = 4;
    ega.xMax = 1;
    ega.bytesPerLine = 2;
    QByteArray egaPalette = Rgb({Black});
    egaPalette.resize(45, '\x40');
    ega.headerPalette = egaPalette + Rgb({Blue});
    ega.body = RunLengthEncode(QByteArray::fromHex("4000"
                                                   "4000"
                                                   "4000"
                                                   "4000"));
    QTest::newRow("1-bit, 4 planes, colour 15") << ega.Bytes() << QList<QRgb>{Black, Blue};

    PcxFile packed;
    packed.bits = 4;
    packed.xMax = 2;
    packed.bytesPerLine = 2;
    packed.headerPalette = Rgb({Black, Red, Green});
    packed.body = RunLengthEncode(QByteArray::fromHex("2100"));
    QTest::newRow("4-bit packed, odd width") << packed.Bytes() << QList<QRgb>{Green, Red, Black};

    PcxFile indexed;
    indexed.xMax = 2;
    indexed.bytesPerLine = 4;
    indexed.body =
        RunLengthEncode(QByteArray::fromHex("020100ee")) + EndPalette({Red, Green, Blue});
    QTest::newRow("8-bit, end palette") << indexed.Bytes() << QList<QRgb>{Blue, Green, Red};

    // An index with both top bits set must come as a run even when single.
    PcxFile highIndex = indexed;
    QByteArray palette(768, '\0');
    palette.replace(3 * 0xC5, 3, Rgb({Green}));
    highIndex.body = RunLengthEncode(QByteArray::fromHex("c5c500ee")) + '\x0C' + palette;
    QTest::newRow("8-bit, index 0xC5") << highIndex.Bytes() << QList<QRgb>{Green, Green, Black};

    QTest::newRow("24-bit, padded planes")
        << TrueColourFile().Bytes() << QList<QRgb>{Red, Green, Blue};
}

void TestPicturePcx::decodesLayouts()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<QRgb>, firstLine);

    const QImage image = DecodePcx(file);
    QCOMPARE(image.width(), firstLine.size());
    for (int x = 0; x < firstLine.size(); ++x) {
        QCOMPARE(image.pixel(x, 0), firstLine[x]);
    }
}

void TestPicturePcx::runsMayCrossLines()
{
    PcxFile file = TrueColourFile();
    file.body = RunLengthEncode(QByteArray(24, '\x7F'));
    const QImage image = DecodePcx(file.Bytes());
    QCOMPARE(image.size(), QSize(3, 2));
    QCOMPARE(image.pixel(2, 1), qRgb(0x7F, 0x7F, 0x7F));
}

void TestPicturePcx::readsUnencodedData()
{
    PcxFile file = TrueColourFile();
    file.encoding = 0;
    // Without encoding, 0xC3 is a plain value, not a run of three.
    file.body = QByteArray::fromHex("c30000ee"
                                    "000000ee"
                                    "000000ee"
                                    "000000ee"
                                    "000000ee"
                                    "000000ee");
    const QImage image = DecodePcx(file.Bytes());
    QCOMPARE(image.pixel(0, 0), qRgb(0xC3, 0, 0));
    QCOMPARE(image.pixel(1, 0), Black);
}

void TestPicturePcx::skipsEmptyRuns()
{
    PcxFile file = TrueColourFile();
    file.body = QByteArray::fromHex("c0ff") + file.body;
    QCOMPARE(DecodePcx(file.Bytes()).pixel(0, 0), Red);
}

void TestPicturePcx::windowGivesSizeNotPosition()
{
    PcxFile file = TrueColourFile();
    file.xMin = 640;
    file.xMax = 642;
    file.yMin = 480;
    file.yMax = 481;
    const QImage image = DecodePcx(file.Bytes());
    QCOMPARE(image.size(), QSize(3, 2));
    QCOMPARE(image.pixel(2, 0), Blue);
    QCOMPARE(image.pixel(0, 1), qRgb(255, 255, 255));
}

void TestPicturePcx::refusesBadHeaders_data()
{
    QTest::addColumn<QByteArray>("file");

    const PcxFile good = TrueColourFile();
    QVERIFY(!DecodePcx(good.Bytes()).isNull());

    QByteArray notPcx = good.Bytes();
    notPcx[0] = 0x0B;
    QTest::newRow("wrong first byte") << notPcx;

    QByteArray badEncoding = good.Bytes();
    badEncoding[2] = 2;
    QTest::newRow("unknown encoding") << badEncoding;

    PcxFile reversed = good;
    reversed.xMin = 5;
    reversed.xMax = 2;
    QTest::newRow("xmax before xmin") << reversed.Bytes();

    PcxFile narrowLines = good;
    narrowLines.bytesPerLine = 2;
    QTest::newRow("bytes per line below the width") << narrowLines.Bytes();

    PcxFile cga = good;
    cga.bits = 2;
    cga.planes = 1;
    QTest::newRow("2-bit, not offered") << cga.Bytes();

    PcxFile twoPlanes = good;
    twoPlanes.planes = 2;
    QTest::newRow("8-bit, 2 planes") << twoPlanes.Bytes();

    PcxFile noPlanes = good;
    noPlanes.planes = 0;
    QTest::newRow("no planes") << noPlanes.Bytes();

    PcxFile noPalette;
    noPalette.xMax = 2;
    noPalette.bytesPerLine = 4;
    noPalette.body = QByteArray(800, '\x01');
    QTest::newRow("8-bit without end palette") << noPalette.Bytes();

    PcxFile huge = good;
    huge.xMax = 59999;
    huge.yMax = 59999;
    huge.bytesPerLine = 60000;
    QTest::newRow("60000 x 60000") << huge.Bytes();

    PcxFile wide = good;
    wide.xMax = 16384;
    wide.bytesPerLine = 16386;
    QTest::newRow("16385 wide") << wide.Bytes();

    PcxFile manyPixels = good;
    manyPixels.xMax = 16383;
    manyPixels.yMax = 16383;
    manyPixels.bytesPerLine = 16384;
    QTest::newRow("16384 x 16384, too many pixels") << manyPixels.Bytes();

    // A narrow picture whose padded lines alone would need gigabytes of decoding.
    PcxFile padded = good;
    padded.yMax = 9999;
    padded.bytesPerLine = 65534;
    QTest::newRow("lines padded to 64 KiB") << padded.Bytes();

    QTest::newRow("header only") << good.Bytes().first(128);
    QTest::newRow("half a header") << good.Bytes().first(64);
    QTest::newRow("empty") << QByteArray();
}

void TestPicturePcx::refusesBadHeaders()
{
    QFETCH(QByteArray, file);
    QVERIFY(DecodePcx(file).isNull());
}

void TestPicturePcx::refusesCutFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<qsizetype>("cut");

    PcxFile indexed;
    indexed.xMax = 2;
    indexed.bytesPerLine = 4;
    indexed.yMax = 1;
    indexed.body = RunLengthEncode(QByteArray::fromHex("020100ee"
                                                       "000102ee")) +
                   EndPalette({Red, Green, Blue});
    const QByteArray eightBit = indexed.Bytes();
    QVERIFY(!DecodePcx(eightBit).isNull());
    QTest::newRow("8-bit, in the first line") << eightBit << qsizetype{130};
    QTest::newRow("8-bit, in the palette") << eightBit << eightBit.size() - 10;
    QTest::newRow("8-bit, palette marker gone") << eightBit << eightBit.size() - 769;

    const QByteArray trueColour = TrueColourFile().Bytes();
    QTest::newRow("24-bit, just the header") << trueColour << qsizetype{128};
    QTest::newRow("24-bit, in the second line") << trueColour << trueColour.size() - 2;
    QTest::newRow("24-bit, last byte") << trueColour << trueColour.size() - 1;

    // The last line ends in a run code whose value byte is missing.
    PcxFile runCut = TrueColourFile();
    runCut.body = RunLengthEncode(QByteArray(24, '\x7F'));
    QTest::newRow("24-bit, run code without value") << runCut.Bytes() << runCut.Bytes().size() - 1;
}

void TestPicturePcx::refusesCutFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(qsizetype, cut);
    QVERIFY(DecodePcx(file.first(cut)).isNull());
}

void TestPicturePcx::keepsToGivenLimits()
{
    const QByteArray file = TrueColourFile().Bytes();
    PictureLimits limits;
    limits.maxSide = 3;
    QCOMPARE(DecodePcx(file, limits).size(), QSize(3, 2));
    limits.maxSide = 2;
    QVERIFY(DecodePcx(file, limits).isNull());
    limits.maxSide = 3;
    limits.maxPixels = 5;
    QVERIFY(DecodePcx(file, limits).isNull());
}

QTEST_GUILESS_MAIN(TestPicturePcx)
#include "tst_picturepcx.moc"
