#include "imageformats/pcxdecoder.h"

#include <QtEndian>
#include <QtTest>

namespace {

const QRgb Red = qRgb(255, 0, 0);
const QRgb Green = qRgb(0, 255, 0);
const QRgb Blue = qRgb(0, 0, 255);
const QRgb White = qRgb(255, 255, 255);
const QRgb Black = qRgb(0, 0, 0);

// The bytes run-length encoded one by one: as they are, or as a run of one when both top bits
// are set.
QByteArray Encoded(const char *hex)
{
    QByteArray out;
    for (const char byte : QByteArray::fromHex(hex)) {
        if ((static_cast<uchar>(byte) & 0xC0) == 0xC0) {
            out += '\xC1';
        }
        out += byte;
    }
    return out;
}

// A PCX file from its header fields and the bytes that follow the header.
QByteArray Pcx(int bits, int planes, QSize size, int bytesPerLine, const QByteArray &body,
               const QByteArray &headerPalette = {}, int encoding = 1, QPoint origin = {})
{
    QByteArray header(128, '\0');
    header[0] = 0x0A;
    header[1] = 5;
    header[2] = static_cast<char>(encoding);
    header[3] = static_cast<char>(bits);
    const QRect window(origin, size);
    const int bounds[] = {window.left(), window.top(), window.right(), window.bottom()};
    for (int i = 0; i < 4; ++i) {
        qToLittleEndian(static_cast<quint16>(bounds[i]), header.data() + 4 + 2 * i);
    }
    header.replace(16, headerPalette.size(), headerPalette);
    header[65] = static_cast<char>(planes);
    qToLittleEndian(static_cast<quint16>(bytesPerLine), header.data() + 66);
    return header + body;
}

QByteArray Rgb(std::initializer_list<QRgb> colours)
{
    QByteArray bytes;
    for (const QRgb colour : colours) {
        const char rgb[] = {static_cast<char>(qRed(colour)), static_cast<char>(qGreen(colour)),
                            static_cast<char>(qBlue(colour))};
        bytes.append(rgb, 3);
    }
    return bytes;
}

// The end palette: marker, then 256 entries, of which the given ones come first.
QByteArray EndPalette(std::initializer_list<QRgb> colours)
{
    return '\x0C' + Rgb(colours).leftJustified(768, '\0');
}

// 3 x 2, 24-bit, each line padded to 4 bytes a plane: red green blue / white black white.
QByteArray TrueColour(const QByteArray &body = Encoded("ff0000ee00ff00ee0000ffee"
                                                       "ff00ffeeff00ffeeff00ffee"),
                      int encoding = 1, QPoint origin = {})
{
    return Pcx(8, 3, QSize(3, 2), 4, body, {}, encoding, origin);
}

} // namespace

using Rows = QList<QList<QRgb>>;

class TestPcxDecoder : public QObject {
    Q_OBJECT

private slots:
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Rows>("rows");

        // Mono is black and white whatever the header palette says.
        QTest::newRow("1-bit mono, 10 wide")
            << Pcx(1, 1, QSize(10, 1), 2, Encoded("a040"), Rgb({Red, Green}))
            << Rows{{White, Black, White, Black, Black, Black, Black, Black, Black, White}};
        // Two planes of one bit: plane 0 gives the low bit of the colour index.
        QTest::newRow("1-bit, 2 planes")
            << Pcx(1, 2, QSize(4, 1), 2, Encoded("50003000"), Rgb({Black, Red, Green, Blue}))
            << Rows{{Black, Red, Green, Blue}};
        QTest::newRow("1-bit, 4 planes, colour 15")
            << Pcx(1, 4, QSize(2, 1), 2, Encoded("4000400040004000"),
                   Rgb({Black}) + QByteArray(42, '\x40') + Rgb({Blue}))
            << Rows{{Black, Blue}};
        QTest::newRow("4-bit packed, odd width")
            << Pcx(4, 1, QSize(3, 1), 2, Encoded("2100"), Rgb({Black, Red, Green}))
            << Rows{{Green, Red, Black}};
        QTest::newRow("8-bit, end palette")
            << Pcx(8, 1, QSize(3, 1), 4, Encoded("020100ee") + EndPalette({Red, Green, Blue}))
            << Rows{{Blue, Green, Red}};
        // An index with both top bits set comes as a run, even alone.
        QByteArray palette = EndPalette({});
        palette.replace(1 + 3 * 0xC5, 3, Rgb({Green}));
        QTest::newRow("8-bit, index 0xC5")
            << Pcx(8, 1, QSize(3, 1), 4, Encoded("c5c500ee") + palette)
            << Rows{{Green, Green, Black}};

        const Rows trueColour{{Red, Green, Blue}, {White, Black, White}};
        QTest::newRow("24-bit, padded planes") << TrueColour() << trueColour;
        QTest::newRow("empty run skipped")
            << TrueColour(QByteArray::fromHex("c0ff") + TrueColour().sliced(128)) << trueColour;
        QTest::newRow("window gives the size, not a position")
            << TrueColour(TrueColour().sliced(128), 1, QPoint(640, 480)) << trueColour;
        const QRgb grey = qRgb(0x7F, 0x7F, 0x7F);
        QTest::newRow("a run of 24 across planes and lines")
            << TrueColour(QByteArray::fromHex("d87f"))
            << Rows{{grey, grey, grey}, {grey, grey, grey}};
        // Without encoding, 0xC3 is a plain value, not a run of three.
        QTest::newRow("unencoded")
            << TrueColour(QByteArray::fromHex("c30000ee").leftJustified(24, '\0'), 0)
            << Rows{{qRgb(0xC3, 0, 0), Black, Black}, {Black, Black, Black}};
    }

    void decodes()
    {
        QFETCH(QByteArray, file);
        QFETCH(Rows, rows);

        const QImage image = DecodePcx(file);
        QCOMPARE(image.size(),
                 QSize(static_cast<int>(rows[0].size()), static_cast<int>(rows.size())));
        for (int y = 0; y < rows.size(); ++y) {
            for (int x = 0; x < rows[y].size(); ++x) {
                QCOMPARE(image.pixel(x, y), rows[y][x]);
            }
        }
    }

    void keepsToGivenLimits_data()
    {
        QTest::addColumn<int>("maxSide");
        QTest::addColumn<int>("maxPixels");
        QTest::addColumn<int>("maxBytes");
        QTest::addColumn<bool>("loads");

        // 3 x 2, 24 bytes as RGB32; its lines are padded to 6 bytes a plane, so decoding them
        // takes 36 bytes.
        QTest::newRow("exact") << 3 << 6 << 36 << true;
        QTest::newRow("one side short") << 2 << 6 << 36 << false;
        QTest::newRow("one pixel short") << 3 << 5 << 36 << false;
        QTest::newRow("padding beyond the bytes") << 3 << 6 << 35 << false;
    }

    void keepsToGivenLimits()
    {
        QFETCH(int, maxSide);
        QFETCH(int, maxPixels);
        QFETCH(int, maxBytes);
        QFETCH(bool, loads);

        PictureLimits limits;
        limits.maxSide = maxSide;
        limits.maxPixels = maxPixels;
        limits.maxBytes = maxBytes;
        const QByteArray file = Pcx(8, 3, QSize(3, 2), 6, QByteArray(36, '\x40'));
        QCOMPARE(DecodePcx(file, limits).isNull(), !loads);
    }
};

QTEST_GUILESS_MAIN(TestPcxDecoder)
#include "tst_pcxdecoder.moc"
