#include "imageformats/avireader.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace {

constexpr std::uint32_t FourCc(char a, char b, char c, char d)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
}

constexpr std::uint32_t FourCc(const char (&text)[5])
{
    return FourCc(text[0], text[1], text[2], text[3]);
}

constexpr std::uint32_t BiRgb = 0;
constexpr std::uint32_t BiRle8 = 1;
// Frame chunks may sit in 'rec ' lists; deeper nesting only comes from damaged or hostile files.
constexpr int MaxMovieListDepth = 4;

// A read-only window on the file's bytes. Reads outside the window give zero, so a bounds slip
// can never touch memory beyond the file; the parser still checks every size it relies on.
struct ByteView {
    const unsigned char *data = nullptr;
    std::int64_t size = 0;

    unsigned char Byte(std::int64_t offset) const
    {
        return offset >= 0 && offset < size ? data[offset] : 0;
    }
    std::uint16_t U16(std::int64_t offset) const
    {
        return offset >= 0 && offset + 2 <= size ? qFromLittleEndian<quint16>(data + offset) : 0;
    }
    std::uint32_t U32(std::int64_t offset) const
    {
        return offset >= 0 && offset + 4 <= size ? qFromLittleEndian<quint32>(data + offset) : 0;
    }
    std::int32_t I32(std::int64_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
    // The caller has checked that offset + length lies within the window.
    ByteView Sub(std::int64_t offset, std::int64_t length) const
    {
        return ByteView{data + offset, length};
    }
};

struct Chunk {
    std::uint32_t id = 0;
    ByteView body;
};

// Steps through the chunks of one RIFF container body. A chunk that claims more bytes than its
// container holds, or a header cut off at the end, stops the walk with an error.
class ChunkWalker {
public:
    explicit ChunkWalker(ByteView container) : m_container(container) {}

    bool Next(Chunk &chunk)
    {
        if (m_offset >= m_container.size) {
            return false;
        }
        const std::int64_t remaining = m_container.size - m_offset;
        if (remaining < 8) {
            m_error = QStringLiteral("A chunk header is cut off");
            return false;
        }
        const std::uint32_t id = m_container.U32(m_offset);
        const std::int64_t size = m_container.U32(m_offset + 4);
        if (size > remaining - 8) {
            m_error = QStringLiteral("A chunk of %1 bytes runs past the end of its list").arg(size);
            return false;
        }
        chunk.id = id;
        chunk.body = m_container.Sub(m_offset + 8, size);
        // Odd-sized chunks are followed by one pad byte; a writer that left out the last one
        // loses nothing.
        m_offset += 8 + size + (size & 1);
        return true;
    }

    const QString &Error() const { return m_error; }

private:
    ByteView m_container;
    std::int64_t m_offset = 0;
    QString m_error;
};

// The image row of a stored row: stored rows run from the bottom up unless the height was
// negative.
int ImageRow(const AviFrameFormat &format, int storedRow)
{
    return format.topDown ? storedRow : format.height - 1 - storedRow;
}

std::int64_t PlainStride(const AviFrameFormat &format)
{
    return (std::int64_t{format.width} * format.bitCount + 31) / 32 * 4;
}

// BI_RLE8 onto the indices of the frame before, so pixels a delta skips keep their colour; with no
// indices it only checks the data. Writes outside the frame are dropped; every step consumes
// input, so the loop ends. Returns why the data cannot be decoded, or an empty string.
QString DecodeRle8(ByteView data, const AviFrameFormat &format, unsigned char *indices)
{
    const int width = format.width;
    const int height = format.height;
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t pos = 0;
    const auto write = [&](std::int64_t column, unsigned char index) {
        if (column < width && y < height) {
            indices[y * width + column] = index;
        }
    };
    while (pos + 1 < data.size && y < height) {
        const unsigned char count = data.data[pos];
        const unsigned char value = data.data[pos + 1];
        pos += 2;
        if (count > 0) {
            const std::int64_t end = std::min<std::int64_t>(x + count, width);
            for (std::int64_t column = x; indices != nullptr && column < end; ++column) {
                write(column, value);
            }
            x += count;
            continue;
        }
        switch (value) {
        case 0:
            x = 0;
            ++y;
            break;
        case 1:
            return {};
        case 2:
            if (pos + 2 > data.size) {
                return QStringLiteral("A run-length delta is cut off");
            }
            x += data.data[pos];
            y += data.data[pos + 1];
            pos += 2;
            break;
        default:
            if (pos + value > data.size) {
                return QStringLiteral("A run-length literal is cut off");
            }
            for (int i = 0; indices != nullptr && i < value; ++i) {
                write(x + i, data.data[pos + i]);
            }
            x += value;
            // Literal runs keep the data on 16-bit boundaries.
            pos += value + (value & 1);
            break;
        }
    }
    return {};
}

// An uncompressed frame whose chunk holds every row.
void DecodePlain(ByteView data, const AviFrameFormat &format, QImage &frame)
{
    const std::int64_t stride = PlainStride(format);
    for (int row = 0; row < format.height; ++row) {
        const unsigned char *source = data.data + stride * row;
        if (format.bitCount == 8) {
            std::copy_n(source, format.width, frame.scanLine(ImageRow(format, row)));
            continue;
        }
        auto *target = reinterpret_cast<QRgb *>(frame.scanLine(ImageRow(format, row)));
        for (int x = 0; x < format.width; ++x) {
            switch (format.bitCount) {
            case 24:
                target[x] = qRgb(source[3 * x + 2], source[3 * x + 1], source[3 * x]);
                break;
            default:
                target[x] = qRgb(source[4 * x + 2], source[4 * x + 1], source[4 * x]);
                break;
            }
        }
    }
}

// Walks the whole file and checks every frame's data, decoding none of them.
class AviParser {
public:
    explicit AviParser(const AviLimits &limits) : m_limits(limits) {}

    AviClipResult Parse(const QByteArray &bytes)
    {
        m_start = reinterpret_cast<const unsigned char *>(bytes.constData());
        if (!ReadFile(ByteView{m_start, bytes.size()})) {
            return AviClipResult{std::nullopt, m_error};
        }
        return AviClipResult{AviClip(bytes, m_format, m_microSecondsPerFrame, std::move(m_frames)),
                             QString()};
    }

private:
    bool Fail(const QString &error)
    {
        m_error = error;
        return false;
    }

    bool ReadFile(ByteView file)
    {
        if (file.size < 12 || file.U32(0) != FourCc("RIFF") || file.U32(8) != FourCc("AVI ")) {
            return Fail(QStringLiteral("Not an AVI file"));
        }
        const std::int64_t riffSize = file.U32(4);
        if (riffSize < 4 || riffSize > file.size - 8) {
            return Fail(QStringLiteral("The file is cut off"));
        }
        if (!ReadTopLevel(file.Sub(12, riffSize - 4))) {
            return false;
        }
        if (!m_haveMainHeader) {
            return Fail(QStringLiteral("The main AVI header is missing"));
        }
        if (m_videoStream < 0) {
            return Fail(QStringLiteral("The file has no video stream"));
        }
        if (!m_movie) {
            return Fail(QStringLiteral("The movie data is missing"));
        }
        if (!ReadMovieList(*m_movie, 0)) {
            return false;
        }
        if (m_frames.empty()) {
            return Fail(QStringLiteral("The file holds no video frames"));
        }
        return true;
    }

    // Splits a LIST chunk into its type and contents.
    bool OpenList(const Chunk &chunk, std::uint32_t &type, ByteView &contents)
    {
        if (chunk.body.size < 4) {
            return Fail(QStringLiteral("A list is too short to have a type"));
        }
        type = chunk.body.U32(0);
        contents = chunk.body.Sub(4, chunk.body.size - 4);
        return true;
    }

    bool ReadTopLevel(ByteView body)
    {
        ChunkWalker walker(body);
        Chunk chunk;
        while (walker.Next(chunk)) {
            if (chunk.id != FourCc("LIST")) {
                continue;
            }
            std::uint32_t type = 0;
            ByteView contents;
            if (!OpenList(chunk, type, contents)) {
                return false;
            }
            if (type == FourCc("hdrl") && !m_haveMainHeader) {
                if (!ReadHeaderList(contents)) {
                    return false;
                }
            } else if (type == FourCc("movi") && !m_movie) {
                m_movie = contents;
            }
        }
        return walker.Error().isEmpty() || Fail(walker.Error());
    }

    bool ReadHeaderList(ByteView body)
    {
        ChunkWalker walker(body);
        Chunk chunk;
        int streamIndex = 0;
        while (walker.Next(chunk)) {
            if (chunk.id == FourCc("avih")) {
                if (chunk.body.size < 56) {
                    return Fail(QStringLiteral("The main AVI header is too short"));
                }
                m_microSecondsPerFrame = chunk.body.U32(0);
                m_haveMainHeader = true;
            } else if (chunk.id == FourCc("LIST")) {
                std::uint32_t type = 0;
                ByteView contents;
                if (!OpenList(chunk, type, contents)) {
                    return false;
                }
                if (type != FourCc("strl")) {
                    continue;
                }
                if (m_videoStream < 0 && !ReadStreamList(contents, streamIndex)) {
                    return false;
                }
                ++streamIndex;
            }
        }
        if (!walker.Error().isEmpty()) {
            return Fail(walker.Error());
        }
        return m_haveMainHeader || Fail(QStringLiteral("The main AVI header is missing"));
    }

    bool ReadStreamList(ByteView body, int streamIndex)
    {
        ChunkWalker walker(body);
        Chunk chunk;
        bool isVideo = false;
        while (walker.Next(chunk)) {
            if (chunk.id == FourCc("strh")) {
                if (chunk.body.size < 48) {
                    return Fail(QStringLiteral("A stream header is too short"));
                }
                isVideo = chunk.body.U32(0) == FourCc("vids");
                if (!isVideo) {
                    return true;
                }
                m_streamScale = chunk.body.U32(20);
                m_streamRate = chunk.body.U32(24);
            } else if (chunk.id == FourCc("strf") && isVideo) {
                if (!ReadFormat(chunk.body)) {
                    return false;
                }
                m_videoStream = streamIndex;
                if (m_microSecondsPerFrame == 0 && m_streamRate != 0) {
                    const std::int64_t fromRate =
                        std::int64_t{m_streamScale} * 1000000 / std::int64_t{m_streamRate};
                    m_microSecondsPerFrame =
                        static_cast<std::uint32_t>(std::min<std::int64_t>(fromRate, UINT32_MAX));
                }
                return true;
            }
        }
        if (!walker.Error().isEmpty()) {
            return Fail(walker.Error());
        }
        return !isVideo || Fail(QStringLiteral("The video format is missing"));
    }

    // BITMAPINFOHEADER and, for 8-bit frames, the palette after it.
    bool ReadFormat(ByteView format)
    {
        if (format.size < 40) {
            return Fail(QStringLiteral("The video format is too short"));
        }
        const std::int64_t headerSize = format.U32(0);
        if (headerSize < 40 || headerSize > format.size) {
            return Fail(QStringLiteral("The video format has a bad header size"));
        }
        const std::int64_t width = format.I32(4);
        const std::int64_t height = format.I32(8);
        m_format.bitCount = format.U16(14);
        m_compression = format.U32(16);
        if (width <= 0 || height == 0) {
            return Fail(
                QStringLiteral("The frame size %1 x %2 is not valid").arg(width).arg(height));
        }
        m_format.topDown = height < 0;
        const std::int64_t rows = std::abs(height);
        if (width > m_limits.maxWidth || rows > m_limits.maxHeight) {
            return Fail(QStringLiteral("The frame size %1 x %2 is too large").arg(width).arg(rows));
        }
        m_format.width = static_cast<int>(width);
        m_format.height = static_cast<int>(rows);

        const bool plain =
            m_compression == BiRgb &&
            (m_format.bitCount == 8 || m_format.bitCount == 24 || m_format.bitCount == 32);
        const bool rle8 = m_compression == BiRle8 && m_format.bitCount == 8;
        if (!plain && !rle8) {
            return Fail(QStringLiteral("Frames of %1 bits with compression %2 are not supported")
                            .arg(m_format.bitCount)
                            .arg(m_compression));
        }
        m_format.rle8 = rle8;
        if (m_format.bitCount != 8) {
            return true;
        }
        const std::int64_t available = (format.size - headerSize) / 4;
        const std::int64_t colourCount =
            format.U32(32) != 0 ? format.U32(32) : std::min<std::int64_t>(available, 256);
        if (colourCount > 256) {
            return Fail(QStringLiteral("The palette has more than 256 colours"));
        }
        if (colourCount > available) {
            return Fail(QStringLiteral("The palette is cut off"));
        }
        // All 256 entries, so that every index a frame holds has a colour.
        m_format.colourTable.fill(qRgb(0, 0, 0), 256);
        for (std::int64_t i = 0; i < colourCount; ++i) {
            const std::int64_t entry = headerSize + 4 * i;
            m_format.colourTable[i] =
                qRgb(format.Byte(entry + 2), format.Byte(entry + 1), format.Byte(entry));
        }
        return true;
    }

    bool ReadMovieList(ByteView body, int depth)
    {
        if (depth > MaxMovieListDepth) {
            return Fail(QStringLiteral("The movie data's lists are nested too deeply"));
        }
        // Frames of stream n are "nndb" (uncompressed) and "nndc" (compressed).
        const char tens = static_cast<char>('0' + m_videoStream / 10 % 10);
        const char units = static_cast<char>('0' + m_videoStream % 10);
        const std::uint32_t plainId = FourCc(tens, units, 'd', 'b');
        const std::uint32_t compressedId = FourCc(tens, units, 'd', 'c');
        const bool reachable = m_videoStream < 100;

        ChunkWalker walker(body);
        Chunk chunk;
        while (walker.Next(chunk)) {
            if (chunk.id == FourCc("LIST")) {
                std::uint32_t type = 0;
                ByteView contents;
                if (!OpenList(chunk, type, contents) || !ReadMovieList(contents, depth + 1)) {
                    return false;
                }
            } else if (reachable && (chunk.id == plainId || chunk.id == compressedId)) {
                if (!ReadFrame(chunk.body)) {
                    return false;
                }
            }
        }
        return walker.Error().isEmpty() || Fail(walker.Error());
    }

    bool ReadFrame(ByteView data)
    {
        if (static_cast<std::int64_t>(m_frames.size()) >= m_limits.maxFrames) {
            return Fail(QStringLiteral("The file has more than %1 frames").arg(m_limits.maxFrames));
        }
        // Counted as if every frame were decoded to 32 bits, with the index buffer of run-length
        // files: the bound a file is accepted by does not depend on how it is played.
        const std::int64_t pixels = std::int64_t{m_format.width} * m_format.height;
        const std::int64_t indexBuffer = m_format.rle8 && !m_indicesCounted ? pixels : 0;
        const std::int64_t needed = m_decodedBytes + 4 * pixels + indexBuffer;
        if (needed > m_limits.maxDecodedBytes) {
            return Fail(QStringLiteral("The frames need more than %1 MB")
                            .arg(m_limits.maxDecodedBytes / (1024 * 1024)));
        }
        m_decodedBytes = needed;
        m_indicesCounted = m_format.rle8;

        // An empty chunk repeats the frame before it; an empty first one is black.
        if (data.size > 0 || m_frames.empty()) {
            if (m_format.rle8) {
                const QString error = DecodeRle8(data, m_format, nullptr);
                if (!error.isEmpty()) {
                    return Fail(error);
                }
            } else if (data.size > 0 && PlainStride(m_format) * m_format.height > data.size) {
                return Fail(QStringLiteral("Frame %1 is cut off").arg(m_frames.size() + 1));
            }
        }
        m_frames.push_back(AviClip::Span{data.data - m_start, data.size});
        return true;
    }

    const AviLimits &m_limits;
    const unsigned char *m_start = nullptr;
    QString m_error;
    bool m_haveMainHeader = false;
    std::uint32_t m_microSecondsPerFrame = 0;
    std::uint32_t m_streamScale = 0;
    std::uint32_t m_streamRate = 0;
    int m_videoStream = -1;
    std::uint32_t m_compression = 0;
    AviFrameFormat m_format;
    std::optional<ByteView> m_movie;
    std::vector<AviClip::Span> m_frames;
    bool m_indicesCounted = false;
    std::int64_t m_decodedBytes = 0;
};

} // namespace

AviClip::AviClip(QByteArray file, AviFrameFormat format, std::uint32_t microSecondsPerFrame,
                 std::vector<Span> frames)
    : m_file(std::move(file)), m_format(std::move(format)),
      m_microSecondsPerFrame(microSecondsPerFrame), m_frames(std::move(frames))
{
}

int AviClip::FrameIntervalMs() const
{
    if (m_microSecondsPerFrame == 0) {
        return 100;
    }
    const std::int64_t ms = (std::int64_t{m_microSecondsPerFrame} + 500) / 1000;
    return static_cast<int>(std::clamp<std::int64_t>(ms, 1, 60000));
}

QImage AviClip::Frame(int index)
{
    if (index < 0 || index >= FrameCount()) {
        return {};
    }
    if (index < m_decoded) {
        m_decoded = -1;
        m_indices.clear();
    }
    while (m_decoded < index) {
        DecodeNext();
    }
    return m_image;
}

void AviClip::DecodeNext()
{
    ++m_decoded;
    const Span span = m_frames[static_cast<std::size_t>(m_decoded)];
    const ByteView data{reinterpret_cast<const unsigned char *>(m_file.constData()) + span.offset,
                        span.size};
    if (data.size == 0 && m_decoded > 0) {
        return;
    }
    // The palette need not hold black, so a missing first frame is a full-colour one.
    const bool indexed = m_format.bitCount == 8 && (data.size > 0 || m_format.rle8);
    QImage frame(m_format.width, m_format.height,
                 indexed ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    if (frame.isNull()) {
        m_image = frame;
        return;
    }
    if (indexed) {
        frame.setColorTable(m_format.colourTable);
    }
    if (m_format.rle8) {
        if (m_indices.empty()) {
            m_indices.assign(static_cast<std::size_t>(m_format.width) * m_format.height, 0);
        }
        // Every frame was run through the decoder when the clip was read, so none fails here.
        DecodeRle8(data, m_format, m_indices.data());
        for (int row = 0; row < m_format.height; ++row) {
            std::copy_n(m_indices.data() + std::int64_t{row} * m_format.width, m_format.width,
                        frame.scanLine(ImageRow(m_format, row)));
        }
    } else if (data.size == 0) {
        frame.fill(qRgb(0, 0, 0));
    } else {
        DecodePlain(data, m_format, frame);
    }
    m_image = frame;
}

AviClipResult ReadAviClip(const QByteArray &bytes, const AviLimits &limits)
{
    AviParser parser(limits);
    return parser.Parse(bytes);
}

AviClipResult ReadAviClipFile(const QString &path, const AviLimits &limits)
{
    if (QFileInfo(path).isDir()) {
        return AviClipResult{std::nullopt, QStringLiteral("%1 is a folder").arg(path)};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return AviClipResult{std::nullopt,
                             QStringLiteral("Cannot open %1: %2").arg(path, file.errorString())};
    }
    if (file.size() > limits.maxFileBytes) {
        return AviClipResult{std::nullopt, QStringLiteral("%1 is too large").arg(path)};
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size()) {
        return AviClipResult{std::nullopt,
                             QStringLiteral("Cannot read %1: %2").arg(path, file.errorString())};
    }
    return ReadAviClip(bytes, limits);
}
