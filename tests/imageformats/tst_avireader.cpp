#include "avi/aviwriter.h"
#include "imageformats/avireader.h"

#include <QtEndian>
#include <QtTest>

#include <random>

namespace {

QList<QRgb> TestPalette()
{
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i) {
        palette.append(qRgb(i, (i * 7 + 31) & 0xFF, 255 - i));
    }
    return palette;
}

// Frames that take the encoder through its cases: every third row one long run, the others
// noise; after the first frame, a few pixels change from frame to frame.
std::vector<QImage> MakeFrames(QSize size, bool eightBit)
{
    std::mt19937 random(static_cast<unsigned>(size.width() * 1000 + size.height()));
    QImage frame(size, QImage::Format_Indexed8);
    frame.setColorTable(TestPalette());
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            frame.scanLine(y)[x] = static_cast<uchar>(y % 3 == 0 ? y : random() % 256);
        }
    }
    std::vector<QImage> frames;
    for (int i = 0; i < 5; ++i) {
        for (int k = 0; i > 0 && k < 3; ++k) {
            const auto y = static_cast<int>(random() % unsigned(size.height()));
            frame.scanLine(y)[random() % unsigned(size.width())] = static_cast<uchar>(10 + i + k);
        }
        frames.push_back(eightBit ? frame : frame.convertToFormat(QImage::Format_RGB32));
    }
    return frames;
}

void PutU32(QByteArray &bytes, qsizetype at, quint32 value)
{
    qToLittleEndian(value, bytes.data() + at);
}

// Offset of a chunk's data, found by its identifier.
qsizetype DataOf(const QByteArray &file, const char *id)
{
    return file.indexOf(id) + 8;
}

// Run-length encoded 4 x 3 frames, rows from the bottom up unless the height is negative.
QByteArray Rle8File(const QByteArrayList &frames, int height = 3)
{
    AviStreamFormat format;
    format.width = 4;
    format.height = height;
    format.compression = 1;
    format.palette = TestPalette();
    std::vector<AviFrameChunk> chunks;
    for (const QByteArray &frame : frames) {
        chunks.push_back({frame, chunks.empty()});
    }
    return BuildAvi(format, chunks);
}

// One frame, all pixels index 1.
QByteArray ValidRle()
{
    return Rle8File({QByteArray::fromHex("0401 0000 0401 0000 0401 0001")});
}

QByteArray Chunk(const QByteArray &id, const QByteArray &data)
{
    QByteArray chunk = id + QByteArray(4, '\0') + data;
    PutU32(chunk, 4, static_cast<quint32>(data.size()));
    return data.size() & 1 ? chunk + '\0' : chunk;
}

// The file with the chunk put first in its movie list, the sizes of the list and the file fixed.
QByteArray WithFirstChunk(QByteArray file, const QByteArray &chunk)
{
    const qsizetype movi = file.indexOf("movi");
    file.insert(movi + 4, chunk);
    PutU32(file, movi - 4, qFromLittleEndian<quint32>(file.constData() + movi - 4) + chunk.size());
    PutU32(file, 4, static_cast<quint32>(file.size() - 8));
    return file;
}

// Indices of 4 x 3 test frames as text, top row first, frames apart: "4444/2233/1111 ...".
std::vector<QImage> ExpectedFrames(const QString &text)
{
    std::vector<QImage> frames;
    for (const QString &frame : text.split(QLatin1Char(' '))) {
        QImage image(4, 3, QImage::Format_RGB32);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 4; ++x) {
                image.setPixel(x, y, TestPalette()[frame.mid(5 * y + x, 1).toInt(nullptr, 16)]);
            }
        }
        frames.push_back(image);
    }
    return frames;
}

// Every frame of the file, decoded in turn as a player does; none when it cannot be read.
std::vector<QImage> Frames(const QByteArray &file, const AviLimits &limits = {})
{
    AviClipResult result = ReadAviClip(file, limits);
    std::vector<QImage> frames;
    for (int index = 0; result.Ok() && index < result.clip->FrameCount(); ++index) {
        frames.push_back(result.clip->Frame(index).convertToFormat(QImage::Format_RGB32));
    }
    return frames;
}

} // namespace

Q_DECLARE_METATYPE(AviFrameKind)

class TestAviReader : public QObject {
    Q_OBJECT

private slots:
    void shippedIntroHasSixtyFrames()
    {
        AviClipResult result = ReadAviClipFile(QStringLiteral(ORTUS_SOURCE_DIR "/data/Ortus.avi"));
        QVERIFY2(result.Ok(), qPrintable(result.error));
        AviClip &clip = *result.clip;
        QCOMPARE(clip.FrameCount(), 60);
        QCOMPARE(QSize(clip.Width(), clip.Height()), QSize(300, 200));
        QCOMPARE(clip.FrameIntervalMs(), 67);
        // Black round the edge, as the control's black area; something bright in the middle.
        QCOMPARE(clip.Frame(0).pixel(0, 199), qRgb(0, 0, 0));
        QVERIFY(qGray(clip.Frame(0).pixel(150, 84)) > 200);
        // An animation: every frame differs from the one before, the first from the last too.
        QImage before = clip.Frame(0);
        for (int i = 1; i <= 60; ++i) {
            const QImage frame = clip.Frame(i % 60);
            QVERIFY(frame != before);
            before = frame;
        }
    }

    void roundTrip_data()
    {
        QTest::addColumn<AviFrameKind>("kind");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("topDown");

        using enum AviFrameKind;
        QTest::newRow("8-bit, rows padded") << Indexed8 << QSize(5, 3) << false;
        QTest::newRow("8-bit, top-down") << Indexed8 << QSize(7, 4) << true;
        QTest::newRow("24-bit, rows padded") << Rgb24 << QSize(5, 5) << false;
        QTest::newRow("32-bit, top-down") << Rgb32 << QSize(5, 4) << true;
        QTest::newRow("RLE8") << Rle8 << QSize(37, 9) << false;
        QTest::newRow("RLE8, runs and skips longer than 255") << Rle8 << QSize(700, 4) << false;
        QTest::newRow("RLE8, skips of more than 255 rows") << Rle8 << QSize(3, 600) << false;
    }

    void roundTrip()
    {
        QFETCH(AviFrameKind, kind);
        QFETCH(QSize, size);
        QFETCH(bool, topDown);

        const bool eightBit = kind == AviFrameKind::Indexed8 || kind == AviFrameKind::Rle8;
        const std::vector<QImage> frames = MakeFrames(size, eightBit);
        AviClipResult result = ReadAviClip(WriteAvi(frames, {.kind = kind, .topDown = topDown}));
        QVERIFY2(result.Ok(), qPrintable(result.error));
        QCOMPARE(result.clip->FrameCount(), 5);
        // The first frame again at the end: run-length frames are decoded afresh from the start.
        for (const int i : {0, 1, 2, 3, 4, 0}) {
            const QImage frame = result.clip->Frame(i);
            // Frames of 8-bit files stay indexed.
            QCOMPARE(frame.format(), eightBit ? QImage::Format_Indexed8 : QImage::Format_RGB32);
            QCOMPARE(frame.convertToFormat(QImage::Format_RGB32),
                     frames[i].convertToFormat(QImage::Format_RGB32));
        }
    }

    void decodesFrames_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("frames");

        const auto one = [](const char *hex, int height = 3) {
            return Rle8File({QByteArray::fromHex(hex)}, height);
        };
        QTest::newRow("encoded runs")
            << one("0401 0000 0202 0203 0000 0404 0001") << "4444/2233/1111";
        QTest::newRow("end of line early") << one("0205 0000 0406 0001") << "0000/6666/5500";
        QTest::newRow("end of bitmap early") << one("0401 0001 0402") << "0000/0000/1111";
        QTest::newRow("no end of bitmap") << one("0401") << "0000/0000/1111";
        QTest::newRow("delta") << one("0107 0002 0102 0109 0001") << "0090/0000/7000";
        QTest::newRow("absolute, odd length padded")
            << one("0003 0a0b 0c00 010d 0001") << "0000/0000/abcd";
        QTest::newRow("absolute, odd length without its pad at the end")
            << one("0003 0102 03") << "0000/0000/1230";
        QTest::newRow("run past the right edge does not wrap")
            << one("0605 0106 0001") << "0000/0000/5555";
        QTest::newRow("absolute past the right edge clipped")
            << one("0005 0102 0304 0500 0001") << "0000/0000/1234";
        QTest::newRow("rows past the top ignored")
            << one("0401 0000 0402 0000 0403 0000 0404 0001") << "3333/2222/1111";
        QTest::newRow("delta past the top ends the frame")
            << one("0002 0005 0401") << "0000/0000/0000";
        QTest::newRow("delta past the right edge")
            << one("0002 ff00 0101 0000 0102 0001") << "0000/2000/0000";
        QTest::newRow("odd byte at the end ignored") << one("0401 05") << "0000/0000/1111";
        QTest::newRow("empty first frame") << Rle8File({{}}) << "0000/0000/0000";
        QTest::newRow("top-down rows") << one("0401 0001", -3) << "1111/0000/0000";
        QTest::newRow("delta keeps the frame before")
            << Rle8File({QByteArray::fromHex("0401 0000 0401 0000 0401 0001"),
                         QByteArray::fromHex("0002 0101 0105 0001")})
            << "1111/1111/1111 1111/1511/1111";
        QTest::newRow("empty chunk of an uncompressed file repeats the frame before")
            << BuildAvi({.width = 4, .height = 3, .palette = TestPalette()},
                        {{QByteArray(12, '\1'), true}, {}})
            << "1111/1111/1111 1111/1111/1111";
        QTest::newRow("empty chunk repeats the frame before")
            << Rle8File({QByteArray::fromHex("0203 0000 0104 0001"), {}})
            << "0000/4000/3300 0000/4000/3300";
        // A frame of index 2 four 'rec ' lists deep, before the frame the file has; the frame
        // counts of the headers are not trusted.
        QByteArray nested = Chunk("00dc", QByteArray::fromHex("0402 0000 0402 0000 0402 0001"));
        for (int i = 0; i < 4; ++i) {
            nested = Chunk("LIST", "rec " + nested);
        }
        QByteArray file = WithFirstChunk(ValidRle(), nested);
        PutU32(file, DataOf(file, "avih") + 16, 0xFFFFFFFF);
        PutU32(file, DataOf(file, "strh") + 32, 0xFFFFFFFF);
        QTest::newRow("frames in nested lists") << file << "2222/2222/2222 1111/1111/1111";
    }

    void decodesFrames()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, frames);

        QVERIFY(Frames(file) == ExpectedFrames(frames));
    }

    void frameInterval_data()
    {
        QTest::addColumn<quint32>("mainHeader");
        QTest::addColumn<quint32>("scale");
        QTest::addColumn<quint32>("rate");
        QTest::addColumn<int>("intervalMs");

        QTest::newRow("from the stream's rate") << 0u << 1u << 25u << 40;
        QTest::newRow("no rate anywhere") << 0u << 0u << 0u << 100;
        QTest::newRow("stream scale overflowing") << 0u << 0xFFFFFFFFu << 1u << 60000;
    }

    void frameInterval()
    {
        QFETCH(quint32, mainHeader);
        QFETCH(quint32, scale);
        QFETCH(quint32, rate);
        QFETCH(int, intervalMs);

        QByteArray file = ValidRle();
        PutU32(file, DataOf(file, "avih"), mainHeader);
        PutU32(file, DataOf(file, "strh") + 20, scale);
        PutU32(file, DataOf(file, "strh") + 24, rate);
        QCOMPARE(ReadAviClip(file).clip.value().FrameIntervalMs(), intervalMs);
    }

    // Three 100 x 100 frames: refused one byte or one frame short of the limits, before any is
    // decoded.
    void keepsToGivenLimits()
    {
        const QByteArray file =
            BuildAvi({.width = 100, .height = 100, .palette = TestPalette()},
                     std::vector<AviFrameChunk>(3, {QByteArray(100 * 100, '\2'), true}));
        AviLimits limits;
        limits.maxDecodedBytes = 3 * 100 * 100 * 4;
        QCOMPARE(Frames(file, limits).size(), std::size_t{3});
        limits.maxDecodedBytes -= 1;
        QVERIFY(!ReadAviClip(file, limits).Ok());
        limits = AviLimits();
        limits.maxFrames = 2;
        QVERIFY(!ReadAviClip(file, limits).Ok());
    }

    // A cut file is refused by its RIFF size; with that size made to agree, the chunks notice the
    // cut: a file may lose its index, never a frame.
    void cutFileLosesAtMostItsIndex()
    {
        const QByteArray file = WriteAvi(MakeFrames(QSize(5, 3), true));
        const qsizetype index = file.indexOf("idx1");
        for (const qsizetype cut :
             {qsizetype{11}, qsizetype{12}, qsizetype{16}, DataOf(file, "strf"),
              DataOf(file, "00dc") + 1, index, index + 4, file.size() - 1}) {
            QByteArray truncated = file.left(cut);
            QVERIFY(!ReadAviClip(truncated).Ok());
            PutU32(truncated, 4, static_cast<quint32>(cut - 8));
            QCOMPARE(Frames(truncated).size(), cut == index ? 5u : 0u);
        }
    }
};

QTEST_GUILESS_MAIN(TestAviReader)
#include "tst_avireader.moc"
