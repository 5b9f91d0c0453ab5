#include "avi/aviwriter.h"
#include "imageformats/avireader.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
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

// The little-endian field at the offset from the start of the chunk's data, found by its name.
void Put(QByteArray &file, const char *chunk, qsizetype offset, quint32 value)
{
    qToLittleEndian(value, file.data() + (chunk[0] == '\0' ? 0 : file.indexOf(chunk) + 8) + offset);
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
        chunks.push_back({QByteArray::fromHex(frame), chunks.empty()});
    }
    return BuildAvi(format, chunks);
}

// The colour indices of every frame as a player decodes them in turn, top row first, rows
// apart by "/" and frames by blanks: "4444/2233/1111 ..."; empty when the file cannot be read.
QString Indices(const QByteArray &file)
{
    AviClipResult result = ReadAviClip(file);
    QStringList frames;
    for (int index = 0; result.Ok() && index < result.clip->FrameCount(); ++index) {
        const QImage frame = result.clip->Frame(index);
        QStringList rows;
        for (int y = 0; y < frame.height(); ++y) {
            QString row;
            for (int x = 0; x < frame.width(); ++x) {
                row += QString::number(frame.pixelIndex(x, y), 16);
            }
            rows.append(row);
        }
        frames.append(rows.join(QLatin1Char('/')));
    }
    return frames.join(QLatin1Char(' '));
}

} // namespace

Q_DECLARE_METATYPE(AviFrameKind)

class TestAviReader : public QObject {
    Q_OBJECT

private slots:
    // The intro as shipped, and as its generator draws it.
    void introHasSixtyFrames_data()
    {
        QTest::addColumn<bool>("drawn");
        QTest::newRow("shipped") << false;
        QTest::newRow("drawn") << true;
    }

    void introHasSixtyFrames()
    {
        QFETCH(bool, drawn);
        QTemporaryDir folder;
        QString path = QStringLiteral(ORTUS_SOURCE_DIR "/data/Ortus.avi");
        if (drawn) {
            path = folder.filePath(QStringLiteral("Ortus.avi"));
            QCOMPARE(QProcess::execute(QStringLiteral(ORTUS_MAKE_INTRO_TOOL), {path}), 0);
        }
        AviClipResult result = ReadAviClipFile(path);
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

        const auto one = [](const char *name, const char *hex, const char *frames) {
            QTest::newRow(name) << Rle8File({hex}) << QString::fromLatin1(frames);
        };
        one("encoded runs", "0401 0000 0202 0203 0000 0404 0001", "4444/2233/1111");
        one("end of line early", "0205 0000 0406 0001", "0000/6666/5500");
        one("end of bitmap early", "0401 0001 0402", "0000/0000/1111");
        one("no end of bitmap", "0401", "0000/0000/1111");
        one("delta", "0107 0002 0102 0109 0001", "0090/0000/7000");
        one("absolute, odd length padded", "0003 0a0b 0c00 010d 0001", "0000/0000/abcd");
        one("absolute, odd length without its pad at the end", "0003 0102 03", "0000/0000/1230");
        one("run past the right edge does not wrap", "0605 0106 0001", "0000/0000/5555");
        one("absolute past the right edge clipped", "0005 0102 0304 0500 0001", "0000/0000/1234");
        one("rows past the top ignored", "0401 0000 0402 0000 0403 0000 0404 0001",
            "3333/2222/1111");
        one("delta past the top ends the frame", "0002 0005 0401", "0000/0000/0000");
        one("delta past the right edge", "0002 ff00 0101 0000 0102 0001", "0000/2000/0000");
        one("odd byte at the end ignored", "0401 05", "0000/0000/1111");
        QTest::newRow("top-down rows") << Rle8File({"0401 0001"}, -3) << "1111/0000/0000";
        QTest::newRow("empty first frame") << Rle8File({""}) << "0000/0000/0000";
        QTest::newRow("delta keeps the frame before")
            << Rle8File({"0401 0000 0401 0000 0401 0001", "0002 0101 0105 0001"})
            << "1111/1111/1111 1111/1511/1111";
        QTest::newRow("empty chunk repeats the frame before")
            << Rle8File({"0203 0000 0104 0001", ""}) << "0000/4000/3300 0000/4000/3300";
        QTest::newRow("empty chunk of an uncompressed file repeats the frame before")
            << BuildAvi({.width = 4, .height = 3, .palette = TestPalette()},
                        {{QByteArray(12, '\1'), true}, {}})
            << "1111/1111/1111 1111/1111/1111";
        // A frame four 'rec ' lists deep before the frame of the movie list itself, in a file
        // whose headers count 0xFFFFFFFF frames: those counts are not trusted.
        QFile nested(QStringLiteral(ORTUS_TEST_DATA_DIR "/avi/frames-in-nested-rec-lists.avi"));
        QVERIFY(nested.open(QIODevice::ReadOnly));
        QTest::newRow("frames in nested lists")
            << nested.readAll() << "2222/2222/2222 1111/1111/1111";
        // A file may lose its index, never a frame.
        QByteArray cut = Rle8File({"0401 0000 0401 0000 0401 0001"});
        cut.truncate(cut.indexOf("idx1"));
        Put(cut, "", 4, static_cast<quint32>(cut.size() - 8));
        QTest::newRow("cut before its index") << cut << "1111/1111/1111";
    }

    void decodesFrames()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, frames);
        QCOMPARE(Indices(file), frames);
    }

    void frameInterval_data()
    {
        QTest::addColumn<quint32>("scale");
        QTest::addColumn<quint32>("rate");
        QTest::addColumn<int>("intervalMs");

        QTest::newRow("from the stream's rate") << 1u << 25u << 40;
        QTest::newRow("no rate anywhere") << 0u << 0u << 100;
        QTest::newRow("stream scale overflowing") << 0xFFFFFFFFu << 1u << 60000;
    }

    // Without a frame time in the main header.
    void frameInterval()
    {
        QFETCH(quint32, scale);
        QFETCH(quint32, rate);
        QFETCH(int, intervalMs);

        QByteArray file = Rle8File({"0401 0001"});
        Put(file, "avih", 0, 0);
        Put(file, "strh", 20, scale);
        Put(file, "strh", 24, rate);
        AviClipResult result = ReadAviClip(file);
        QVERIFY2(result.Ok(), qPrintable(result.error));
        QCOMPARE(result.clip->FrameIntervalMs(), intervalMs);
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
        limits.maxFrames = 3;
        QVERIFY(ReadAviClip(file, limits).Ok());
        --limits.maxDecodedBytes;
        QVERIFY(!ReadAviClip(file, limits).Ok());
        limits = AviLimits();
        limits.maxFrames = 2;
        QVERIFY(!ReadAviClip(file, limits).Ok());
    }
};

QTEST_GUILESS_MAIN(TestAviReader)
#include "tst_avireader.moc"
