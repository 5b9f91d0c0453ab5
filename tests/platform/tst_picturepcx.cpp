#include "platform/pcxdecoder.h"

#include <QtEndian>
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
        header[0] = 0x0A;
        header[1] = 5;
        header[2] = static_cast<char>(encoding);
        header[3] = static_cast<char>(bits);
        const int window[] = {xMin, yMin, xMax, yMax};
        for (int i = 0; i < 4; ++i) {
            qToLittleEndian(static_cast<quint16>(window[i]), header.data() + 4 + 2 * i);
        }
        header.replace(16, headerPalette.size(), headerPalette);
        header[65] = static_cast<char>(planes);
        qToLittleEndian(static_cast<quint16>(bytesPerLine), header.data() + 66);
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
    file.body = RunLengthEncode(QByteArray::fromHex("ff0000ee00ff00ee0000ffee")) +
                RunLengthEncode(QByteArray::fromHex("ff00ffee").repeated(3));
    return file;
}

// A picture one line high: bits a plane, planes, width, bytes a plane line, pixel data (run-length
// encoded here) and header palette.
QByteArray OneLine(int bits, int planes, int width, int bytesPerLine, const char *hex,
                   const QByteArray &headerPalette = {})
{
    PcxFile file;
    file.bits = bits;
    file.planes = planes;
    file.xMax = width - 1;
    file.bytesPerLine = bytesPerLine;
    file.headerPalette = headerPalette;
    file.body = RunLengthEncode(QByteArray::fromHex(hex));
    return file.Bytes();
}

} // namespace

using Rows = QList<QList<QRgb>>;

class TestPicturePcx : public QObject {
    Q_OBJECT

private slots:
    void decodes_data();
    void decodes();
    void refuses_data();
    void refuses();
    void keepsToGivenLimits();
};

void TestPicturePcx::decodes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Rows>("rows");

    // Mono is black and white whatever the header palette says.
    QTest::newRow("1-bit mono, 10 wide")
        << OneLine(1, 1, 10, 2, "a040", Rgb({Red, Green}))
        << Rows{{White, Black, White, Black, Black, Black, Black, Black, Black, White}};
    // Two planes of one bit: plane 0 gives the low bit of the colour index.
    QTest::newRow("1-bit, 2 planes")
        << OneLine(1, 2, 4, 2, "50003000", Rgb({Black, Red, Green, Blue}))
        << Rows{{Black, Red, Green, Blue}};
    QTest::newRow("1-bit, 4 planes, colour 15")
        << OneLine(1, 4, 2, 2, "4000400040004000",
                   Rgb({Black}) + QByteArray(42, '\x40') + Rgb({Blue}))
        << Rows{{Black, Blue}};
    QTest::newRow("4-bit packed, odd width")
        << OneLine(4, 1, 3, 2, "2100", Rgb({Black, Red, Green})) << Rows{{Green, Red, Black}};
    QTest::newRow("8-bit, end palette")
        << OneLine(8, 1, 3, 4, "020100ee") + EndPalette({Red, Green, Blue})
        << Rows{{Blue, Green, Red}};
    // An index with both top bits set must come as a run even when single.
    QByteArray palette = EndPalette({});
    palette.replace(1 + 3 * 0xC5, 3, Rgb({Green}));
    QTest::newRow("8-bit, index 0xC5")
        << OneLine(8, 1, 3, 4, "c5c500ee") + palette << Rows{{Green, Green, Black}};

    const Rows trueColour{{Red, Green, Blue}, {White, Black, White}};
    PcxFile file = TrueColourFile();
    QTest::newRow("24-bit, padded planes") << file.Bytes() << trueColour;
    file.body = QByteArray::fromHex("c0ff") + file.body;
    QTest::newRow("empty run skipped") << file.Bytes() << trueColour;

    file = TrueColourFile();
    file.xMin = 640;
    file.xMax = 642;
    file.yMin = 480;
    file.yMax = 481;
    QTest::newRow("window gives the size, not a position") << file.Bytes() << trueColour;

    file = TrueColourFile();
    file.body = RunLengthEncode(QByteArray(24, '\x7F'));
    const QRgb grey = qRgb(0x7F, 0x7F, 0x7F);
    QTest::newRow("runs may cross lines")
        << file.Bytes() << Rows{{grey, grey, grey}, {grey, grey, grey}};

    // Without encoding, 0xC3 is a plain value, not a run of three.
    file.encoding = 0;
    file.body = QByteArray::fromHex("c30000ee") + QByteArray::fromHex("000000ee").repeated(5);
    QTest::newRow("unencoded") << file.Bytes()
                               << Rows{{qRgb(0xC3, 0, 0), Black, Black}, {Black, Black, Black}};
}

void TestPicturePcx::decodes()
{
    QFETCH(QByteArray, file);
    QFETCH(Rows, rows);

    const QImage image = DecodePcx(file);
    QCOMPARE(image.size(), QSize(static_cast<int>(rows[0].size()), static_cast<int>(rows.size())));
    for (int y = 0; y < rows.size(); ++y) {
        for (int x = 0; x < rows[y].size(); ++x) {
            QCOMPARE(image.pixel(x, y), rows[y][x]);
        }
    }
}

void TestPicturePcx::refuses_data()
{
    QTest::addColumn<QByteArray>("file");

    const QByteArray good = TrueColourFile().Bytes();
    // 24-bit, with the data of one line.
    const auto large = [](int width, int height, int bytesPerLine) {
        PcxFile file = TrueColourFile();
        file.xMax = width - 1;
        file.yMax = height - 1;
        file.bytesPerLine = bytesPerLine;
        file.body = RunLengthEncode(QByteArray(3 * bytesPerLine, '\0'));
        return file.Bytes();
    };
    QTest::newRow("wrong first byte") << QByteArray(good).replace(0, 1, "\x0B");
    QTest::newRow("unknown encoding") << QByteArray(good).replace(2, 1, "\x02");
    QTest::newRow("xmax before xmin") << QByteArray(good).replace(4, 1, "\x05");
    QTest::newRow("bytes per line below the width") << OneLine(8, 3, 3, 2, "000000000000");
    QTest::newRow("2-bit, not offered") << OneLine(2, 1, 3, 1, "00");
    QTest::newRow("8-bit, 2 planes") << OneLine(8, 2, 3, 4, "0000000000000000");
    QTest::newRow("1-bit, 5 planes") << OneLine(1, 5, 3, 1, "0000000000");
    QTest::newRow("16385 wide") << large(16385, 1, 16386);
    QTest::newRow("16384 x 16384, too many pixels") << large(16384, 16384, 16384);
    // A narrow picture whose padded lines alone would need gigabytes of decoding.
    QTest::newRow("lines padded to 64 KiB") << large(3, 10000, 65534);
    QTest::newRow("half a header") << good.first(64);

    // Cut files: the data ends before the last line, or the 8-bit end palette is missing.
    QTest::newRow("24-bit, no pixel data") << good.first(128);
    PcxFile runCut = TrueColourFile();
    runCut.body = RunLengthEncode(QByteArray(24, '\x7F'));
    QTest::newRow("24-bit, run code without value") << runCut.Bytes().chopped(1);
    const QByteArray indexed = OneLine(8, 1, 3, 4, "020100ee") + EndPalette({Red, Green, Blue});
    QVERIFY(!DecodePcx(indexed).isNull());
    QTest::newRow("8-bit, cut in the palette") << indexed.chopped(1);
    QTest::newRow("8-bit, cut before the palette") << indexed.chopped(769);
}

void TestPicturePcx::refuses()
{
    QFETCH(QByteArray, file);
    QVERIFY(DecodePcx(file).isNull());
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
