#include "platform/avireader.h"
#include "platform/aviwriter.h"

#include <QDir>
#include <QFile>
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

QImage RandomIndexed(int width, int height, std::mt19937 &random, int colours)
{
    QImage image(width, height, QImage::Format_Indexed8);
    image.setColorTable(TestPalette());
    std::uniform_int_distribution<int> pick(0, colours - 1);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.scanLine(y)[x] = static_cast<uchar>(pick(random));
        }
    }
    return image;
}

// Pictures that exercise the encoders: noise, long runs, and frames that change only in places.
std::vector<QImage> MakeFrames(const QString &content, int width, int height, int count,
                               bool eightBit)
{
    std::mt19937 random(static_cast<unsigned>(width * 1000 + height));
    std::vector<QImage> frames;
    for (int i = 0; i < count; ++i) {
        QImage frame;
        if (content == QLatin1String("noise")) {
            frame = RandomIndexed(width, height, random, 256);
        } else if (content == QLatin1String("few colours")) {
            frame = RandomIndexed(width, height, random, 2);
        } else if (content == QLatin1String("stripes")) {
            frame = RandomIndexed(width, height, random, 1);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    frame.scanLine(y)[x] = static_cast<uchar>((x / (y % 4 + 1) + i) % 5);
                }
            }
        } else {
            // "small changes": each frame alters a few pixels of the one before.
            frame = frames.empty() ? RandomIndexed(width, height, random, 4) : frames.back().copy();
            std::uniform_int_distribution<int> column(0, width - 1);
            std::uniform_int_distribution<int> row(0, height - 1);
            for (int k = 0; k < 3 && i > 0; ++k) {
                const int x = column(random);
                frame.scanLine(row(random))[x] = static_cast<uchar>(10 + i + k);
            }
        }
        frames.push_back(eightBit ? frame : frame.convertToFormat(QImage::Format_RGB32));
    }
    if (!eightBit && content == QLatin1String("noise")) {
        // Full colour noise, not just the palette's colours.
        for (QImage &frame : frames) {
            for (int y = 0; y < height; ++y) {
                auto *line = reinterpret_cast<QRgb *>(frame.scanLine(y));
                for (int x = 0; x < width; ++x) {
                    line[x] = qRgb(random() & 0xFF, random() & 0xFF, random() & 0xFF);
                }
            }
        }
    }
    return frames;
}

QString FirstDifference(const QImage &actual, const QImage &expected)
{
    if (actual.size() != expected.size() || actual.format() != expected.format()) {
        return QStringLiteral("size or format differs");
    }
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            if (actual.pixel(x, y) != expected.pixel(x, y)) {
                return QStringLiteral("pixel %1,%2 is %3, expected %4")
                    .arg(x)
                    .arg(y)
                    .arg(actual.pixel(x, y), 8, 16)
                    .arg(expected.pixel(x, y), 8, 16);
            }
        }
    }
    return QString();
}

void PutU32(QByteArray &bytes, qsizetype at, quint32 value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

void PutU16(QByteArray &bytes, qsizetype at, quint16 value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

// Offset of a chunk's data, found by its identifier.
qsizetype DataOf(const QByteArray &file, const char *id)
{
    const qsizetype at = file.indexOf(id);
    Q_ASSERT(at >= 0);
    return at + 8;
}

AviStreamFormat SmallFormat(std::uint32_t compression)
{
    AviStreamFormat format;
    format.width = 4;
    format.height = 3;
    format.bitCount = 8;
    format.compression = compression;
    format.palette = TestPalette();
    return format;
}

// One 4 x 3 run-length encoded frame: all pixels index 1.
QByteArray ValidRle()
{
    return BuildAvi(SmallFormat(1), {{QByteArray::fromHex("0401 0000 0401 0000 0401 0001"), true}});
}

QByteArray ValidPlain8()
{
    return BuildAvi(SmallFormat(0), {{QByteArray(12, '\1'), true}});
}

// Puts bytes at the start of the 'movi' list and fixes the sizes of that list and the file.
QByteArray InsertIntoMovie(QByteArray file, const QByteArray &bytes)
{
    const qsizetype movi = file.indexOf("movi");
    file.insert(movi + 4, bytes);
    PutU32(file, movi - 4, qFromLittleEndian<quint32>(file.constData() + movi - 4) + bytes.size());
    PutU32(file, 4, static_cast<quint32>(file.size() - 8));
    return file;
}

QByteArray Chunk(const QByteArray &id, const QByteArray &data)
{
    QByteArray chunk = id;
    chunk.append(4, '\0');
    PutU32(chunk, 4, static_cast<quint32>(data.size()));
    chunk.append(data);
    if (data.size() & 1) {
        chunk.append('\0');
    }
    return chunk;
}

QByteArray NestedFrame(int depth)
{
    QByteArray chunk = Chunk("00dc", QByteArray::fromHex("0402 0000 0402 0000 0402 0001"));
    for (int i = 0; i < depth; ++i) {
        chunk = Chunk("LIST", "rec " + chunk);
    }
    return chunk;
}

// Indices of a 4-wide test frame as text, top row first: "4444/2233/1111".
QImage ExpectedFrame(const QString &rows)
{
    const QStringList lines = rows.split(QLatin1Char('/'));
    QImage image(static_cast<int>(lines.first().size()), static_cast<int>(lines.size()),
                 QImage::Format_RGB32);
    const QList<QRgb> palette = TestPalette();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, palette[lines[y].mid(x, 1).toInt(nullptr, 16)]);
        }
    }
    return image;
}

} // namespace

class TestAviReader : public QObject {
    Q_OBJECT

private slots:
    void shippedIntroHasSixtyFrames();
    void roundTrip_data();
    void roundTrip();
    void rle8_data();
    void rle8();
    void framesInsideRecordLists();
    void headerFrameCountIsNotTrusted();
    void frameInterval_data();
    void frameInterval();
    void hostileFileFails_data();
    void hostileFileFails();
    void memoryCapStopsBeforeAllocating();
    void truncatedFileFailsAtEveryCut_data();
    void truncatedFileFailsAtEveryCut();
    void corruptedBytesNeverCrash();
    void fileErrors_data();
    void fileErrors();
};

void TestAviReader::shippedIntroHasSixtyFrames()
{
    const AviReadResult result = ReadAviFile(QStringLiteral(ORTUS_SOURCE_DIR "/data/Ortus.avi"));
    QVERIFY2(result.Ok(), qPrintable(result.error));
    const AviMovie &movie = *result.movie;
    QCOMPARE(movie.frames.size(), std::size_t{60});
    QCOMPARE(movie.width, 300);
    QCOMPARE(movie.height, 200);
    QCOMPARE(movie.FrameIntervalMs(), 67);
    for (std::size_t i = 0; i < movie.frames.size(); ++i) {
        const QImage &frame = movie.frames[i];
        QCOMPARE(frame.size(), QSize(300, 200));
        QCOMPARE(frame.format(), QImage::Format_RGB32);
        // An animation: every frame differs from the one before, the last from the first too.
        QVERIFY(frame != movie.frames[(i + 1) % movie.frames.size()]);
    }
    // Black round the edge, as the control's black area; something bright in the middle.
    QCOMPARE(movie.frames[0].pixel(0, 199), qRgb(0, 0, 0));
    QVERIFY(qGray(movie.frames[0].pixel(150, 84)) > 200);
}

void TestAviReader::roundTrip_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("topDown");
    QTest::addColumn<QString>("content");

    const int indexed = static_cast<int>(AviFrameKind::Indexed8);
    const int rgb24 = static_cast<int>(AviFrameKind::Rgb24);
    const int rgb32 = static_cast<int>(AviFrameKind::Rgb32);
    const int rle8 = static_cast<int>(AviFrameKind::Rle8);
    QTest::newRow("8-bit one pixel") << indexed << 1 << 1 << false << "noise";
    QTest::newRow("8-bit rows padded") << indexed << 5 << 3 << false << "noise";
    QTest::newRow("8-bit top-down") << indexed << 7 << 4 << true << "noise";
    QTest::newRow("24-bit rows padded") << rgb24 << 3 << 2 << false << "noise";
    QTest::newRow("24-bit odd width") << rgb24 << 5 << 5 << false << "noise";
    QTest::newRow("24-bit top-down") << rgb24 << 6 << 3 << true << "noise";
    QTest::newRow("32-bit") << rgb32 << 5 << 4 << false << "noise";
    QTest::newRow("32-bit top-down") << rgb32 << 3 << 7 << true << "noise";
    QTest::newRow("RLE8 noise") << rle8 << 37 << 9 << false << "noise";
    QTest::newRow("RLE8 one pixel") << rle8 << 1 << 1 << false << "noise";
    QTest::newRow("RLE8 two colours") << rle8 << 29 << 11 << false << "few colours";
    QTest::newRow("RLE8 stripes") << rle8 << 33 << 8 << false << "stripes";
    QTest::newRow("RLE8 rows longer than a run") << rle8 << 600 << 3 << false << "stripes";
    QTest::newRow("RLE8 small changes") << rle8 << 40 << 30 << false << "small changes";
    QTest::newRow("RLE8 wide small changes") << rle8 << 700 << 2 << false << "small changes";
    QTest::newRow("RLE8 tall small changes") << rle8 << 3 << 600 << false << "small changes";
}

void TestAviReader::roundTrip()
{
    QFETCH(int, kind);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, topDown);
    QFETCH(QString, content);

    const auto frameKind = static_cast<AviFrameKind>(kind);
    const bool eightBit = frameKind == AviFrameKind::Indexed8 || frameKind == AviFrameKind::Rle8;
    const std::vector<QImage> frames = MakeFrames(content, width, height, 5, eightBit);
    AviWriteOptions options;
    options.kind = frameKind;
    options.topDown = topDown;
    options.microSecondsPerFrame = 40000;

    const AviReadResult result = ReadAvi(WriteAvi(frames, options));
    QVERIFY2(result.Ok(), qPrintable(result.error));
    QCOMPARE(result.movie->width, width);
    QCOMPARE(result.movie->height, height);
    QCOMPARE(result.movie->FrameIntervalMs(), 40);
    QCOMPARE(result.movie->frames.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const QImage expected = frames[i].convertToFormat(QImage::Format_RGB32);
        const QString difference = FirstDifference(result.movie->frames[i], expected);
        QVERIFY2(difference.isEmpty(),
                 qPrintable(QStringLiteral("frame %1: %2").arg(i + 1).arg(difference)));
    }
}

void TestAviReader::rle8_data()
{
    QTest::addColumn<QByteArrayList>("frames");
    QTest::addColumn<bool>("topDown");
    QTest::addColumn<QString>("lastFrame");

    // The frame is 4 x 3; stored rows run from the bottom up unless topDown.
    const auto one = [](const char *hex) {
        return QByteArrayList{QByteArray::fromHex(hex)};
    };
    QTest::newRow("encoded runs") << one("0401 0000 0202 0203 0000 0404 0001") << false
                                  << "4444/2233/1111";
    QTest::newRow("end of line early") << one("0205 0000 0406 0001") << false << "0000/6666/5500";
    QTest::newRow("end of bitmap early") << one("0401 0001") << false << "0000/0000/1111";
    QTest::newRow("no end of bitmap") << one("0401") << false << "0000/0000/1111";
    QTest::newRow("delta within a row")
        << one("0107 0002 0200 0108 0001") << false << "0000/0000/7008";
    QTest::newRow("delta across rows")
        << one("0107 0002 0102 0109 0001") << false << "0090/0000/7000";
    QTest::newRow("absolute odd length padded")
        << one("0003 0a0b 0c00 010d 0001") << false << "0000/0000/abcd";
    QTest::newRow("absolute even length")
        << one("0004 0102 0304 0001") << false << "0000/0000/1234";
    QTest::newRow("absolute odd length without its pad at the end")
        << one("0003 0102 03") << false << "0000/0000/1230";
    QTest::newRow("run past the right edge clipped")
        << one("0605 0000 0106 0001") << false << "0000/6000/5555";
    QTest::newRow("run past the right edge does not wrap")
        << one("0605 0106 0001") << false << "0000/0000/5555";
    QTest::newRow("absolute past the right edge clipped")
        << one("0005 0102 0304 0500 0001") << false << "0000/0000/1234";
    QTest::newRow("rows past the top ignored")
        << one("0401 0000 0402 0000 0403 0000 0404 0001") << false << "3333/2222/1111";
    QTest::newRow("delta past the top ends the frame")
        << one("0002 0005 0401") << false << "0000/0000/0000";
    QTest::newRow("delta past the right edge")
        << one("0002 ff00 0101 0000 0102 0001") << false << "0000/2000/0000";
    QTest::newRow("data after end of bitmap ignored")
        << one("0401 0001 0402") << false << "0000/0000/1111";
    QTest::newRow("odd byte at the end ignored") << one("0401 05") << false << "0000/0000/1111";
    QTest::newRow("empty first frame") << QByteArrayList{QByteArray()} << false << "0000/0000/0000";
    QTest::newRow("top-down rows") << one("0401 0001") << true << "1111/0000/0000";
    QTest::newRow("delta keeps the frame before")
        << QByteArrayList{QByteArray::fromHex("0401 0000 0401 0000 0401 0001"),
                          QByteArray::fromHex("0002 0101 0105 0001")}
        << false << "1111/1511/1111";
    QTest::newRow("empty chunk repeats the frame before")
        << QByteArrayList{QByteArray::fromHex("0203 0000 0104 0001"), QByteArray()} << false
        << "0000/4000/3300";
}

void TestAviReader::rle8()
{
    QFETCH(QByteArrayList, frames);
    QFETCH(bool, topDown);
    QFETCH(QString, lastFrame);

    AviStreamFormat format = SmallFormat(1);
    if (topDown) {
        format.height = -format.height;
    }
    std::vector<AviFrameChunk> chunks;
    for (const QByteArray &frame : frames) {
        chunks.push_back({frame, chunks.empty()});
    }
    const AviReadResult result = ReadAvi(BuildAvi(format, chunks));
    QVERIFY2(result.Ok(), qPrintable(result.error));
    QCOMPARE(result.movie->frames.size(), static_cast<std::size_t>(frames.size()));
    const QString difference =
        FirstDifference(result.movie->frames.back(), ExpectedFrame(lastFrame));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestAviReader::framesInsideRecordLists()
{
    const QByteArray file = InsertIntoMovie(ValidRle(), NestedFrame(2));
    const AviReadResult result = ReadAvi(file);
    QVERIFY2(result.Ok(), qPrintable(result.error));
    QCOMPARE(result.movie->frames.size(), std::size_t{2});
    QCOMPARE(result.movie->frames[0].pixel(0, 0), TestPalette()[2]);
    QCOMPARE(result.movie->frames[1].pixel(0, 0), TestPalette()[1]);
}

void TestAviReader::headerFrameCountIsNotTrusted()
{
    QByteArray file = ValidRle();
    PutU32(file, DataOf(file, "avih") + 16, 0xFFFFFFFF);
    PutU32(file, DataOf(file, "strh") + 32, 0xFFFFFFFF);
    const AviReadResult result = ReadAvi(file);
    QVERIFY2(result.Ok(), qPrintable(result.error));
    QCOMPARE(result.movie->frames.size(), std::size_t{1});
}

void TestAviReader::frameInterval_data()
{
    QTest::addColumn<quint32>("mainHeader");
    QTest::addColumn<quint32>("scale");
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<int>("intervalMs");

    QTest::newRow("15 frames a second") << 66667u << 0u << 0u << 67;
    QTest::newRow("from the stream's rate") << 0u << 1u << 25u << 40;
    QTest::newRow("no rate anywhere") << 0u << 0u << 0u << 100;
    QTest::newRow("one microsecond") << 1u << 0u << 0u << 1;
    QTest::newRow("absurdly slow") << 0xFFFFFFFFu << 0u << 0u << 60000;
    QTest::newRow("stream scale overflowing") << 0u << 0xFFFFFFFFu << 1u << 60000;
}

void TestAviReader::frameInterval()
{
    QFETCH(quint32, mainHeader);
    QFETCH(quint32, scale);
    QFETCH(quint32, rate);
    QFETCH(int, intervalMs);

    QByteArray file = ValidRle();
    PutU32(file, DataOf(file, "avih"), mainHeader);
    PutU32(file, DataOf(file, "strh") + 20, scale);
    PutU32(file, DataOf(file, "strh") + 24, rate);
    const AviReadResult result = ReadAvi(file);
    QVERIFY2(result.Ok(), qPrintable(result.error));
    QCOMPARE(result.movie->FrameIntervalMs(), intervalMs);
}

void TestAviReader::hostileFileFails_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("error");

    const QByteArray rle = ValidRle();
    const QByteArray plain = ValidPlain8();
    const qsizetype format = DataOf(rle, "strf");
    const auto patched = [](QByteArray file, qsizetype at, quint32 value) {
        PutU32(file, at, value);
        return file;
    };
    const auto renamed = [](QByteArray file, const char *from, const char *to) {
        file.replace(file.indexOf(from), 4, to);
        return file;
    };

    QTest::newRow("empty") << QByteArray() << "Not an AVI file";
    QTest::newRow("text") << QByteArray("Ортус 2000 is no movie") << "Not an AVI file";
    QTest::newRow("RIFF of another form") << renamed(rle, "AVI ", "WAVE") << "Not an AVI file";
    QTest::newRow("big-endian RIFX") << renamed(rle, "RIFF", "RIFX") << "Not an AVI file";
    QTest::newRow("RIFF size past the end")
        << patched(rle, 4, static_cast<quint32>(rle.size() - 7)) << "cut off";
    QTest::newRow("RIFF size zero") << patched(rle, 4, 0) << "cut off";
    QTest::newRow("RIFF size negative") << patched(rle, 4, 0xFFFFFFFF) << "cut off";
    QTest::newRow("no main header") << renamed(rle, "avih", "xvih") << "main AVI header is missing";
    QTest::newRow("main header too short")
        << patched(rle, DataOf(rle, "avih") - 4, 40) << "main AVI header is too short";
    QTest::newRow("stream header too short")
        << patched(rle, DataOf(rle, "strh") - 4, 20) << "stream header is too short";
    QTest::newRow("audio stream only") << renamed(rle, "vids", "auds") << "no video stream";
    QTest::newRow("video format missing")
        << renamed(rle, "strf", "strx") << "video format is missing";
    QTest::newRow("video format too short")
        << patched(rle, format - 4, 20) << "video format is too short";
    QTest::newRow("format header size huge") << patched(rle, format, 100000) << "bad header size";
    QTest::newRow("format header size 12") << patched(rle, format, 12) << "bad header size";
    QTest::newRow("width zero") << patched(rle, format + 4, 0) << "not valid";
    QTest::newRow("height zero") << patched(rle, format + 8, 0) << "not valid";
    QTest::newRow("width negative")
        << patched(rle, format + 4, static_cast<quint32>(-4)) << "not valid";
    QTest::newRow("width 5000") << patched(rle, format + 4, 5000) << "too large";
    QTest::newRow("height 5000") << patched(rle, format + 8, 5000) << "too large";
    QTest::newRow("height -5000") << patched(rle, format + 8, static_cast<quint32>(-5000))
                                  << "too large";
    QTest::newRow("height most negative") << patched(rle, format + 8, 0x80000000u) << "too large";
    QTest::newRow("width most positive") << patched(rle, format + 4, 0x7FFFFFFFu) << "too large";
    {
        QByteArray fourBit = plain;
        PutU16(fourBit, DataOf(fourBit, "strf") + 14, 4);
        QTest::newRow("4-bit frames") << fourBit << "not supported";
        QByteArray sixteenBit = plain;
        PutU16(sixteenBit, DataOf(sixteenBit, "strf") + 14, 16);
        QTest::newRow("16-bit frames") << sixteenBit << "not supported";
        QByteArray rle24 = rle;
        PutU16(rle24, format + 14, 24);
        QTest::newRow("RLE8 of 24 bits") << rle24 << "not supported";
    }
    QTest::newRow("RLE4") << patched(rle, format + 16, 2) << "not supported";
    QTest::newRow("bit fields") << patched(plain, DataOf(plain, "strf") + 16, 3) << "not supported";
    QTest::newRow("motion JPEG") << patched(rle, format + 16, 0x47504A4D) << "not supported";
    QTest::newRow("palette of 300 colours")
        << patched(rle, format + 32, 300) << "more than 256 colours";
    {
        AviStreamFormat small = SmallFormat(1);
        small.palette = small.palette.mid(0, 16);
        QByteArray file = BuildAvi(small, {{QByteArray::fromHex("0001"), true}});
        PutU32(file, DataOf(file, "strf") + 32, 256);
        QTest::newRow("palette cut off") << file << "palette is cut off";
    }
    QTest::newRow("frame chunk past the end")
        << patched(rle, DataOf(rle, "00dc") - 4, 0x7FFFFFFF) << "runs past the end";
    QTest::newRow("frame chunk size negative")
        << patched(rle, DataOf(rle, "00dc") - 4, 0xFFFFFFFF) << "runs past the end";
    QTest::newRow("movie list past the end")
        << patched(rle, rle.indexOf("movi") - 4, static_cast<quint32>(rle.size()))
        << "runs past the end";
    QTest::newRow("list without a type")
        << patched(rle, rle.indexOf("movi") - 4, 2) << "too short to have a type";
    {
        QByteArray file = rle + "JUNK";
        PutU32(file, 4, static_cast<quint32>(file.size() - 8));
        QTest::newRow("chunk header cut off") << file << "chunk header is cut off";
    }
    QTest::newRow("uncompressed frame too short")
        << BuildAvi(SmallFormat(0), {{QByteArray(11, '\1'), true}}) << "Frame 1 is cut off";
    QTest::newRow("32-bit frame too short") << [] {
        AviStreamFormat wide = SmallFormat(0);
        wide.bitCount = 32;
        wide.palette.clear();
        return BuildAvi(wide, {{QByteArray(47, '\1'), true}});
    }() << "Frame 1 is cut off";
    QTest::newRow("RLE literal past the data")
        << BuildAvi(SmallFormat(1), {{QByteArray::fromHex("0005 0102"), true}})
        << "literal is cut off";
    QTest::newRow("RLE delta cut off")
        << BuildAvi(SmallFormat(1), {{QByteArray::fromHex("0002 01"), true}}) << "delta is cut off";
    QTest::newRow("no movie data") << renamed(rle, "movi", "mova") << "movie data is missing";
    QTest::newRow("no frames") << BuildAvi(SmallFormat(1), {}) << "no video frames";
    QTest::newRow("frames of another stream only")
        << renamed(rle, "00dc", "01dc") << "no video frames";
    QTest::newRow("lists nested too deeply")
        << InsertIntoMovie(rle, NestedFrame(40)) << "nested too deeply";
    {
        AviStreamFormat huge = SmallFormat(1);
        huge.width = 4096;
        huge.height = 4096;
        QTest::newRow("frames beyond 256 MB")
            << BuildAvi(huge, std::vector<AviFrameChunk>(20, {QByteArray::fromHex("0001"), false}))
            << "more than 256 MB";
        AviStreamFormat tiny = SmallFormat(1);
        tiny.width = 1;
        tiny.height = 1;
        QTest::newRow("more than 10000 frames")
            << BuildAvi(tiny,
                        std::vector<AviFrameChunk>(10001, {QByteArray::fromHex("0001"), true}))
            << "more than 10000 frames";
    }
}

void TestAviReader::hostileFileFails()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, error);

    const AviReadResult result = ReadAvi(file);
    QVERIFY(!result.Ok());
    QVERIFY2(result.error.contains(error), qPrintable(result.error));
}

void TestAviReader::memoryCapStopsBeforeAllocating()
{
    AviStreamFormat format = SmallFormat(0);
    format.width = 100;
    format.height = 100;
    const std::vector<AviFrameChunk> frames(3, {QByteArray(100 * 100, '\2'), true});
    const QByteArray file = BuildAvi(format, frames);

    AviLimits limits;
    limits.maxDecodedBytes = 3 * 100 * 100 * 4;
    QVERIFY(ReadAvi(file, limits).Ok());
    limits.maxDecodedBytes -= 1;
    const AviReadResult result = ReadAvi(file, limits);
    QVERIFY(!result.Ok());
    QVERIFY2(result.error.contains(QLatin1String("frames need more than")),
             qPrintable(result.error));

    limits.maxFrames = 2;
    limits.maxDecodedBytes = AviLimits().maxDecodedBytes;
    QVERIFY(ReadAvi(file, limits).error.contains(QLatin1String("more than 2 frames")));
}

void TestAviReader::truncatedFileFailsAtEveryCut_data()
{
    QTest::addColumn<QByteArray>("file");

    for (const auto &[name, kind] :
         {std::pair{"8-bit", AviFrameKind::Indexed8}, std::pair{"24-bit", AviFrameKind::Rgb24},
          std::pair{"32-bit", AviFrameKind::Rgb32}, std::pair{"RLE8", AviFrameKind::Rle8}}) {
        const bool eightBit = kind == AviFrameKind::Indexed8 || kind == AviFrameKind::Rle8;
        AviWriteOptions options;
        options.kind = kind;
        const QByteArray file = WriteAvi(MakeFrames("small changes", 5, 3, 3, eightBit), options);
        QVERIFY(ReadAvi(file).Ok());
        QTest::newRow(name) << file;
    }
}

void TestAviReader::truncatedFileFailsAtEveryCut()
{
    QFETCH(QByteArray, file);

    const std::size_t frameCount = ReadAvi(file).movie->frames.size();
    for (qsizetype cut = 0; cut < file.size(); ++cut) {
        QByteArray truncated = file.left(cut);
        const AviReadResult result = ReadAvi(truncated);
        QVERIFY2(!result.Ok(), qPrintable(QStringLiteral("cut at %1 was read").arg(cut)));
        QVERIFY(!result.error.isEmpty());

        // With the file's size made to agree, the inner chunks must notice the cut: a file may
        // lose its index, never a frame.
        if (cut >= 8) {
            PutU32(truncated, 4, static_cast<quint32>(cut - 8));
            const AviReadResult inner = ReadAvi(truncated);
            if (inner.Ok()) {
                QCOMPARE(inner.movie->frames.size(), frameCount);
            } else {
                QVERIFY(!inner.error.isEmpty());
            }
        }
    }
}

void TestAviReader::corruptedBytesNeverCrash()
{
    AviWriteOptions options;
    const QByteArray valid = WriteAvi(MakeFrames("stripes", 9, 5, 3, true), options);
    std::mt19937 random(1);
    std::uniform_int_distribution<qsizetype> position(0, valid.size() - 1);
    for (int attempt = 0; attempt < 2000; ++attempt) {
        QByteArray file = valid;
        for (int flips = 0; flips < 1 + attempt % 4; ++flips) {
            file[position(random)] = static_cast<char>(random());
        }
        const AviReadResult result = ReadAvi(file);
        if (result.Ok()) {
            QVERIFY(!result.movie->frames.empty());
            QCOMPARE(result.movie->frames.front().size(),
                     QSize(result.movie->width, result.movie->height));
        } else {
            QVERIFY(!result.error.isEmpty());
        }
    }
}

void TestAviReader::fileErrors_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("readable");

    QTest::newRow("missing file") << "missing.avi" << QByteArray() << false;
    QTest::newRow("folder") << "folder.avi" << QByteArray() << false;
    QTest::newRow("empty file") << "empty.avi" << QByteArray("") << false;
    QTest::newRow("good file") << "good.avi" << ValidRle() << true;
}

void TestAviReader::fileErrors()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    QFETCH(bool, readable);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(name);
    if (name == QLatin1String("folder.avi")) {
        QVERIFY(QDir(folder.path()).mkdir(name));
    } else if (!contents.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    const AviReadResult result = ReadAviFile(path);
    QCOMPARE(result.Ok(), readable);
    QCOMPARE(result.error.isEmpty(), readable);
}

QTEST_GUILESS_MAIN(TestAviReader)
#include "tst_avireader.moc"
