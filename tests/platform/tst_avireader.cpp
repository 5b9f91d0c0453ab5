#include "platform/avireader.h"
#include "platform/aviwriter.h"
#include "support/startdirectory.h"

#include <QDir>
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

// Pictures that exercise the encoders: noise, long runs, and frames that change only in places.
std::vector<QImage> MakeFrames(const QString &content, int width, int height, int count,
                               bool eightBit)
{
    std::mt19937 random(static_cast<unsigned>(width * 1000 + height));
    QImage frame(width, height, QImage::Format_Indexed8);
    frame.setColorTable(TestPalette());
    std::vector<QImage> frames;
    for (int i = 0; i < count; ++i) {
        if (content == QLatin1String("small changes") && i > 0) {
            for (int k = 0; k < 3; ++k) {
                const auto y = static_cast<int>(random() % unsigned(height));
                frame.scanLine(y)[random() % unsigned(width)] = static_cast<uchar>(10 + i + k);
            }
        } else {
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    frame.scanLine(y)[x] = static_cast<uchar>(
                        content == QLatin1String("stripes") ? (x / (y % 4 + 1) + i) % 5
                        : content == QLatin1String("noise") ? random() % 256
                                                            : random() % 4);
                }
            }
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
    const qsizetype at = file.indexOf(id);
    Q_ASSERT(at >= 0);
    return at + 8;
}

AviStreamFormat SmallFormat(std::uint32_t compression, int bitCount = 8, int width = 4,
                            int height = 3)
{
    AviStreamFormat format;
    format.width = width;
    format.height = height;
    format.bitCount = static_cast<std::uint16_t>(bitCount);
    format.compression = compression;
    format.palette = bitCount == 8 ? TestPalette() : QList<QRgb>();
    return format;
}

// One 4 x 3 run-length encoded frame: all pixels index 1.
QByteArray ValidRle()
{
    return BuildAvi(SmallFormat(1), {{QByteArray::fromHex("0401 0000 0401 0000 0401 0001"), true}});
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
    QByteArray chunk = id + QByteArray(4, '\0') + data;
    PutU32(chunk, 4, static_cast<quint32>(data.size()));
    return data.size() & 1 ? chunk + '\0' : chunk;
}

// A frame of index 2 inside that many 'rec ' lists.
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
    QImage image(4, static_cast<int>(lines.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, TestPalette()[lines[y].mid(x, 1).toInt(nullptr, 16)]);
        }
    }
    return image;
}

} // namespace

Q_DECLARE_METATYPE(AviFrameKind)

class TestAviReader : public QObject {
    Q_OBJECT

private slots:
    void shippedIntroHasSixtyFrames();
    void roundTrip_data();
    void roundTrip();
    void rle8_data();
    void rle8();
    void framesAreFoundNotCounted();
    void frameInterval_data();
    void frameInterval();
    void hostileFileFails_data();
    void hostileFileFails();
    void memoryCapStopsBeforeAllocating();
    void cutFileLosesAtMostItsIndex();
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
        QCOMPARE(frame.format(), QImage::Format_Indexed8);
        // An animation: every frame differs from the one before, the last from the first too.
        QVERIFY(frame != movie.frames[(i + 1) % movie.frames.size()]);
    }
    // Black round the edge, as the control's black area; something bright in the middle.
    QCOMPARE(movie.frames[0].pixel(0, 199), qRgb(0, 0, 0));
    QVERIFY(qGray(movie.frames[0].pixel(150, 84)) > 200);
}

void TestAviReader::roundTrip_data()
{
    QTest::addColumn<AviFrameKind>("kind");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("topDown");
    QTest::addColumn<QString>("content");

    using enum AviFrameKind;
    QTest::newRow("8-bit rows padded") << Indexed8 << QSize(5, 3) << false << "noise";
    QTest::newRow("8-bit top-down") << Indexed8 << QSize(7, 4) << true << "noise";
    QTest::newRow("24-bit rows padded") << Rgb24 << QSize(5, 5) << false << "noise";
    QTest::newRow("32-bit") << Rgb32 << QSize(5, 4) << false << "noise";
    QTest::newRow("RLE8 noise") << Rle8 << QSize(37, 9) << false << "noise";
    QTest::newRow("RLE8 rows longer than a run") << Rle8 << QSize(600, 3) << false << "stripes";
    QTest::newRow("RLE8 wide small changes") << Rle8 << QSize(700, 2) << false << "small changes";
    QTest::newRow("RLE8 tall small changes") << Rle8 << QSize(3, 600) << false << "small changes";
}

void TestAviReader::roundTrip()
{
    QFETCH(AviFrameKind, kind);
    QFETCH(QSize, size);
    QFETCH(bool, topDown);
    QFETCH(QString, content);

    const bool eightBit = kind == AviFrameKind::Indexed8 || kind == AviFrameKind::Rle8;
    const std::vector<QImage> frames =
        MakeFrames(content, size.width(), size.height(), 5, eightBit);
    AviWriteOptions options;
    options.kind = kind;
    options.topDown = topDown;
    options.microSecondsPerFrame = 40000;

    const AviReadResult result = ReadAvi(WriteAvi(frames, options));
    QVERIFY2(result.Ok(), qPrintable(result.error));
    QCOMPARE(QSize(result.movie->width, result.movie->height), size);
    QCOMPARE(result.movie->FrameIntervalMs(), 40);
    QCOMPARE(result.movie->frames.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        // Frames of 8-bit files stay indexed.
        QCOMPARE(result.movie->frames[i].format(),
                 eightBit ? QImage::Format_Indexed8 : QImage::Format_RGB32);
        QCOMPARE(result.movie->frames[i].convertToFormat(QImage::Format_RGB32),
                 frames[i].convertToFormat(QImage::Format_RGB32));
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
    QTest::newRow("end of bitmap early") << one("0401 0001 0402") << false << "0000/0000/1111";
    QTest::newRow("no end of bitmap") << one("0401") << false << "0000/0000/1111";
    QTest::newRow("delta") << one("0107 0002 0102 0109 0001") << false << "0090/0000/7000";
    QTest::newRow("absolute, odd length padded")
        << one("0003 0a0b 0c00 010d 0001") << false << "0000/0000/abcd";
    QTest::newRow("absolute, odd length without its pad at the end")
        << one("0003 0102 03") << false << "0000/0000/1230";
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
    format.height = topDown ? -3 : 3;
    std::vector<AviFrameChunk> chunks;
    for (const QByteArray &frame : frames) {
        chunks.push_back({frame, chunks.empty()});
    }
    const AviReadResult result = ReadAvi(BuildAvi(format, chunks));
    QVERIFY2(result.Ok(), qPrintable(result.error));
    QCOMPARE(result.movie->frames.size(), static_cast<std::size_t>(frames.size()));
    QCOMPARE(result.movie->frames.back().convertToFormat(QImage::Format_RGB32),
             ExpectedFrame(lastFrame));
}

// Frames may sit in 'rec ' lists up to four deep; the frame counts of the headers are not trusted.
void TestAviReader::framesAreFoundNotCounted()
{
    QByteArray file = InsertIntoMovie(ValidRle(), NestedFrame(4));
    PutU32(file, DataOf(file, "avih") + 16, 0xFFFFFFFF);
    PutU32(file, DataOf(file, "strh") + 32, 0xFFFFFFFF);
    const AviReadResult result = ReadAvi(file);
    QVERIFY2(result.Ok(), qPrintable(result.error));
    QCOMPARE(result.movie->frames.size(), std::size_t{2});
    QCOMPARE(result.movie->frames[0].pixel(0, 0), TestPalette()[2]);
    QCOMPARE(result.movie->frames[1].pixel(0, 0), TestPalette()[1]);
}

void TestAviReader::frameInterval_data()
{
    QTest::addColumn<quint32>("mainHeader");
    QTest::addColumn<quint32>("scale");
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<int>("intervalMs");

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
    // Where a chunk's or a list's size is stored, and where the video format starts.
    const auto size = [&](const char *id) {
        return DataOf(rle, id) - 4;
    };
    const auto listSize = [&](const char *type) {
        return rle.indexOf(type) - 4;
    };
    const qsizetype format = DataOf(rle, "strf");
    const auto patched = [&](qsizetype at, quint32 value) {
        QByteArray file = rle;
        PutU32(file, at, value);
        return file;
    };
    const auto renamed = [&](const char *from, const char *to) {
        return QByteArray(rle).replace(rle.indexOf(from), 4, to);
    };
    const auto frame = [](const AviStreamFormat &format, const QByteArray &data) {
        return BuildAvi(format, {{data, true}});
    };

    QTest::newRow("empty") << QByteArray() << "Not an AVI";
    QTest::newRow("RIFF of another form") << renamed("AVI ", "WAVE") << "Not an AVI";
    QTest::newRow("big-endian RIFX") << renamed("RIFF", "RIFX") << "Not an AVI";
    QTest::newRow("RIFF size one past the end") << patched(4, quint32(rle.size() - 7)) << "cut off";
    QTest::newRow("RIFF size zero") << patched(4, 0) << "cut off";
    QTest::newRow("no main header") << renamed("avih", "xvih") << "main AVI header is missing";
    QTest::newRow("main header too short")
        << patched(size("avih"), 40) << "AVI header is too short";
    QTest::newRow("stream header too short") << patched(size("strh"), 20) << "stream header is too";
    QTest::newRow("audio stream only") << renamed("vids", "auds") << "no video stream";
    QTest::newRow("no stream header") << renamed("strh", "strn") << "no video stream";
    QTest::newRow("no stream list") << renamed("strl", "odml") << "no video stream";
    QTest::newRow("stream list too long") << patched(listSize("strl"), 1 << 30) << "runs past";
    QTest::newRow("stream header too long") << patched(size("strh"), 1 << 30) << "runs past";
    QTest::newRow("video format missing") << renamed("strf", "strx") << "format is missing";
    QTest::newRow("video format too short") << patched(format - 4, 20) << "format is too short";
    QTest::newRow("format header size huge") << patched(format, 100000) << "bad header size";
    QTest::newRow("format header size 12") << patched(format, 12) << "bad header size";
    QTest::newRow("height zero") << patched(format + 8, 0) << "not valid";
    QTest::newRow("width negative") << patched(format + 4, quint32(-4)) << "not valid";
    QTest::newRow("width 4097") << patched(format + 4, 4097) << "too large";
    QTest::newRow("height most negative") << patched(format + 8, 0x80000000u) << "too large";
    QTest::newRow("16-bit frames") << frame(SmallFormat(0, 16), {}) << "not supported";
    QTest::newRow("RLE8 of 24 bits") << frame(SmallFormat(1, 24), {}) << "not supported";
    QTest::newRow("RLE4") << patched(format + 16, 2) << "not supported";
    QTest::newRow("palette of 300 colours") << patched(format + 32, 300) << "than 256 colours";
    AviStreamFormat sixteenColours = SmallFormat(1);
    sixteenColours.palette.resize(16);
    QByteArray cutPalette = frame(sixteenColours, QByteArray("\0\1", 2));
    PutU32(cutPalette, DataOf(cutPalette, "strf") + 32, 256);
    QTest::newRow("palette cut off") << cutPalette << "palette is cut off";
    QTest::newRow("frame chunk too long") << patched(size("00dc"), 1 << 30) << "runs past";
    QTest::newRow("movie list too long")
        << patched(listSize("movi"), quint32(rle.size())) << "runs past";
    QTest::newRow("list without a type") << patched(listSize("movi"), 2) << "to have a type";
    QTest::newRow("chunk header cut off") << patched(4, quint32(rle.size() - 4)) + "JUNK"
                                          << "chunk header is cut off";
    QTest::newRow("8-bit frame too short")
        << frame(SmallFormat(0), QByteArray(11, '\1')) << "Frame 1 is cut off";
    QTest::newRow("32-bit frame too short")
        << frame(SmallFormat(0, 32), QByteArray(47, '\1')) << "Frame 1 is cut off";
    QTest::newRow("RLE literal past the data")
        << frame(SmallFormat(1), QByteArray::fromHex("00050102")) << "literal is cut off";
    QTest::newRow("RLE delta cut off")
        << frame(SmallFormat(1), QByteArray::fromHex("000201")) << "delta is cut off";
    QTest::newRow("no movie data") << renamed("movi", "mova") << "movie data is missing";
    QTest::newRow("no frames") << BuildAvi(SmallFormat(1), {}) << "no video frames";
    QTest::newRow("frames of another stream only") << renamed("00dc", "01dc") << "no video frames";
    QTest::newRow("lists nested five deep")
        << InsertIntoMovie(rle, NestedFrame(5)) << "nested too deeply";
    const AviFrameChunk endOfBitmap{QByteArray::fromHex("0001"), true};
    QTest::newRow("frames beyond 256 MB")
        << BuildAvi(SmallFormat(1, 8, 4096, 4096), std::vector<AviFrameChunk>(20, endOfBitmap))
        << "more than 256 MB";
    QTest::newRow("more than 10000 frames")
        << BuildAvi(SmallFormat(1, 8, 1, 1), std::vector<AviFrameChunk>(10001, endOfBitmap))
        << "more than 10000 frames";
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
    const AviStreamFormat format = SmallFormat(0, 8, 100, 100);
    const QByteArray file =
        BuildAvi(format, std::vector<AviFrameChunk>(3, {QByteArray(100 * 100, '\2'), true}));

    AviLimits limits;
    limits.maxDecodedBytes = 3 * 100 * 100 * 4;
    QVERIFY(ReadAvi(file, limits).Ok());
    limits.maxDecodedBytes -= 1;
    QVERIFY(ReadAvi(file, limits).error.contains(QLatin1String("frames need more than")));

    limits.maxFrames = 2;
    limits.maxDecodedBytes = AviLimits().maxDecodedBytes;
    QVERIFY(ReadAvi(file, limits).error.contains(QLatin1String("more than 2 frames")));
}

// A cut file is refused by its RIFF size; with that size made to agree, the chunks notice the
// cut: a file may lose its index, never a frame.
void TestAviReader::cutFileLosesAtMostItsIndex()
{
    const QByteArray file = WriteAvi(MakeFrames("small changes", 5, 3, 3, true));
    const qsizetype index = file.indexOf("idx1");
    for (const qsizetype cut : {qsizetype{11}, qsizetype{12}, qsizetype{16}, DataOf(file, "strf"),
                                DataOf(file, "00dc") + 1, index, index + 4, file.size() - 1}) {
        QByteArray truncated = file.left(cut);
        QVERIFY(!ReadAvi(truncated).Ok());
        PutU32(truncated, 4, static_cast<quint32>(cut - 8));
        const AviReadResult result = ReadAvi(truncated);
        QVERIFY2(result.Ok() == (cut == index), qPrintable(QString::number(cut)));
        QVERIFY(result.Ok() ? result.movie->frames.size() == 3 : !result.error.isEmpty());
    }
}

void TestAviReader::fileErrors()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir("folder.avi"));
    WriteFixtureFile(folder.filePath("empty.avi"), {});
    for (const char *name : {"missing.avi", "folder.avi", "empty.avi"}) {
        const AviReadResult result = ReadAviFile(folder.filePath(name));
        QVERIFY2(!result.Ok() && !result.error.isEmpty(), name);
    }
    const AviReadResult good = ReadAviFile(
        QString::fromStdString(WriteFixtureFile(folder.filePath("good.avi"), ValidRle())));
    QVERIFY(good.Ok() && good.error.isEmpty());
}

QTEST_GUILESS_MAIN(TestAviReader)
#include "tst_avireader.moc"
