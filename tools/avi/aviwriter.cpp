#include "avi/aviwriter.h"

#include <algorithm>

namespace {

constexpr std::uint32_t AvifHasIndex = 0x10;
constexpr std::uint32_t AviifKeyFrame = 0x10;

class ByteWriter {
public:
    void U8(int value) { m_bytes.append(static_cast<char>(value & 0xFF)); }
    void U16(std::uint32_t value)
    {
        U8(static_cast<int>(value));
        U8(static_cast<int>(value >> 8));
    }
    void U32(std::uint32_t value)
    {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }
    void FourCc(const char (&text)[5]) { m_bytes.append(text, 4); }
    void Bytes(const QByteArray &bytes) { m_bytes.append(bytes); }

    // Starts a chunk and returns where its size goes; EndChunk fills the size in and pads.
    qsizetype BeginChunk(const char (&id)[5])
    {
        FourCc(id);
        const qsizetype sizeAt = m_bytes.size();
        U32(0);
        return sizeAt;
    }
    qsizetype BeginList(const char (&type)[5])
    {
        const qsizetype sizeAt = BeginChunk("LIST");
        FourCc(type);
        return sizeAt;
    }
    void EndChunk(qsizetype sizeAt)
    {
        const auto size = static_cast<std::uint32_t>(m_bytes.size() - sizeAt - 4);
        for (int i = 0; i < 4; ++i) {
            m_bytes[sizeAt + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
        }
        if (size & 1) {
            U8(0);
        }
    }

    qsizetype Size() const { return m_bytes.size(); }
    const QByteArray &Result() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// Cursor of a run-length encoder over the stored rows (row 0 at the bottom).
class Rle8Encoder {
public:
    explicit Rle8Encoder(QByteArray &out) : m_out(out) {}

    void MoveTo(int x, int y)
    {
        while (m_y < y) {
            if (x >= m_x && x - m_x <= 255 && y - m_y <= 255) {
                Escape(2);
                Byte(x - m_x);
                Byte(y - m_y);
                m_x = x;
                m_y = y;
                return;
            }
            Escape(0);
            m_x = 0;
            ++m_y;
        }
        while (m_x < x) {
            const int step = std::min(255, x - m_x);
            Escape(2);
            Byte(step);
            Byte(0);
            m_x += step;
        }
    }

    // Pixels [from, to) of a row, the cursor standing at from.
    void Segment(const uchar *row, int from, int to)
    {
        int i = from;
        while (i < to) {
            const int run = RunLength(row, i, to, 255);
            if (run >= 3) {
                Byte(run);
                Byte(row[i]);
                i += run;
                continue;
            }
            int end = i;
            while (end < to && end - i < 255 && RunLength(row, end, to, 3) < 3) {
                ++end;
            }
            const int count = end - i;
            if (count < 3) {
                // Absolute mode needs at least three pixels: 1 and 2 are escape codes.
                for (int k = i; k < end; ++k) {
                    Byte(1);
                    Byte(row[k]);
                }
            } else {
                Escape(count);
                m_out.append(reinterpret_cast<const char *>(row + i), count);
                if (count & 1) {
                    Byte(0);
                }
            }
            i = end;
        }
        m_x = to;
    }

    void EndOfBitmap() { Escape(1); }

private:
    static int RunLength(const uchar *row, int from, int to, int most)
    {
        int run = 1;
        while (from + run < to && run < most && row[from + run] == row[from]) {
            ++run;
        }
        return run;
    }
    void Byte(int value) { m_out.append(static_cast<char>(value)); }
    void Escape(int code)
    {
        Byte(0);
        Byte(code);
    }

    QByteArray &m_out;
    int m_x = 0;
    int m_y = 0;
};

// Unchanged stretches shorter than this cost less to repeat than to skip with a delta.
constexpr int MinimumSkip = 6;

QByteArray PlainFrame(const QImage &frame, int bitCount, bool topDown)
{
    const int width = frame.width();
    const int height = frame.height();
    const qsizetype stride = (qsizetype{width} * bitCount + 31) / 32 * 4;
    QByteArray data(stride * height, '\0');
    for (int stored = 0; stored < height; ++stored) {
        const int row = topDown ? stored : height - 1 - stored;
        auto *target = reinterpret_cast<uchar *>(data.data()) + stride * stored;
        if (bitCount == 8) {
            std::copy_n(frame.constScanLine(row), width, target);
            continue;
        }
        const auto *source = reinterpret_cast<const QRgb *>(frame.constScanLine(row));
        const int bytesPerPixel = bitCount / 8;
        for (int x = 0; x < width; ++x) {
            uchar *pixel = target + bytesPerPixel * x;
            pixel[0] = static_cast<uchar>(qBlue(source[x]));
            pixel[1] = static_cast<uchar>(qGreen(source[x]));
            pixel[2] = static_cast<uchar>(qRed(source[x]));
        }
    }
    return data;
}

} // namespace

QByteArray BuildAvi(const AviStreamFormat &format, const std::vector<AviFrameChunk> &chunks)
{
    const bool compressed = format.compression != 0;
    const auto frameCount = static_cast<std::uint32_t>(chunks.size());
    std::uint32_t largest = 0;
    for (const AviFrameChunk &chunk : chunks) {
        largest = std::max(largest, static_cast<std::uint32_t>(chunk.data.size()));
    }
    const std::uint32_t rows =
        format.height < 0 ? 0u - static_cast<std::uint32_t>(format.height) : format.height;
    const std::uint64_t bytesPerSecond =
        format.microSecondsPerFrame == 0
            ? 0
            : std::uint64_t{largest} * 1000000 / format.microSecondsPerFrame;

    ByteWriter out;
    const qsizetype riff = out.BeginChunk("RIFF");
    out.FourCc("AVI ");

    const qsizetype headerList = out.BeginList("hdrl");
    const qsizetype mainHeader = out.BeginChunk("avih");
    out.U32(format.microSecondsPerFrame);
    out.U32(static_cast<std::uint32_t>(std::min<std::uint64_t>(bytesPerSecond, UINT32_MAX)));
    out.U32(0);
    out.U32(AvifHasIndex);
    out.U32(frameCount);
    out.U32(0);
    out.U32(1);
    out.U32(largest);
    out.U32(static_cast<std::uint32_t>(format.width));
    out.U32(rows);
    for (int i = 0; i < 4; ++i) {
        out.U32(0);
    }
    out.EndChunk(mainHeader);

    const qsizetype streamList = out.BeginList("strl");
    const qsizetype streamHeader = out.BeginChunk("strh");
    out.FourCc("vids");
    if (compressed) {
        out.FourCc("mrle");
    } else {
        out.FourCc("DIB ");
    }
    out.U32(0);
    out.U16(0);
    out.U16(0);
    out.U32(0);
    out.U32(format.microSecondsPerFrame);
    out.U32(1000000);
    out.U32(0);
    out.U32(frameCount);
    out.U32(largest);
    out.U32(0xFFFFFFFF);
    out.U32(0);
    out.U16(0);
    out.U16(0);
    out.U16(static_cast<std::uint32_t>(format.width) & 0xFFFF);
    out.U16(rows & 0xFFFF);
    out.EndChunk(streamHeader);

    const qsizetype streamFormat = out.BeginChunk("strf");
    out.U32(40);
    out.U32(static_cast<std::uint32_t>(format.width));
    out.U32(static_cast<std::uint32_t>(format.height));
    out.U16(1);
    out.U16(format.bitCount);
    out.U32(format.compression);
    out.U32(
        compressed
            ? 0
            : static_cast<std::uint32_t>(
                  (std::uint64_t{static_cast<std::uint32_t>(format.width)} * format.bitCount + 31) /
                  32 * 4 * rows));
    out.U32(0);
    out.U32(0);
    out.U32(static_cast<std::uint32_t>(format.palette.size()));
    out.U32(0);
    for (const QRgb colour : format.palette) {
        out.U8(qBlue(colour));
        out.U8(qGreen(colour));
        out.U8(qRed(colour));
        out.U8(0);
    }
    out.EndChunk(streamFormat);
    out.EndChunk(streamList);
    out.EndChunk(headerList);

    const qsizetype movie = out.BeginList("movi");
    const qsizetype movieStart = movie + 4;
    std::vector<std::uint32_t> offsets;
    for (const AviFrameChunk &chunk : chunks) {
        offsets.push_back(static_cast<std::uint32_t>(out.Size() - movieStart));
        const qsizetype frame = compressed ? out.BeginChunk("00dc") : out.BeginChunk("00db");
        out.Bytes(chunk.data);
        out.EndChunk(frame);
    }
    out.EndChunk(movie);

    const qsizetype index = out.BeginChunk("idx1");
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        if (compressed) {
            out.FourCc("00dc");
        } else {
            out.FourCc("00db");
        }
        out.U32(chunks[i].keyFrame ? AviifKeyFrame : 0);
        out.U32(offsets[i]);
        out.U32(static_cast<std::uint32_t>(chunks[i].data.size()));
    }
    out.EndChunk(index);
    out.EndChunk(riff);
    return out.Result();
}

QByteArray EncodeRle8(const QImage &frame, const QImage *previous)
{
    QByteArray out;
    Rle8Encoder encoder(out);
    const int width = frame.width();
    const int height = frame.height();
    for (int stored = 0; stored < height; ++stored) {
        const int row = height - 1 - stored;
        const uchar *pixels = frame.constScanLine(row);
        const uchar *before = previous ? previous->constScanLine(row) : nullptr;
        int x = 0;
        while (x < width) {
            if (before && pixels[x] == before[x]) {
                ++x;
                continue;
            }
            // The changed stretch goes on over short unchanged gaps.
            int lastChanged = x;
            for (int j = x + 1; j < width; ++j) {
                if (!before || pixels[j] != before[j]) {
                    lastChanged = j;
                } else if (j - lastChanged >= MinimumSkip) {
                    break;
                }
            }
            encoder.MoveTo(x, stored);
            encoder.Segment(pixels, x, lastChanged + 1);
            x = lastChanged + 1;
        }
    }
    encoder.EndOfBitmap();
    return out;
}

QByteArray WriteAvi(const std::vector<QImage> &frames, const AviWriteOptions &options)
{
    AviStreamFormat format;
    format.microSecondsPerFrame = options.microSecondsPerFrame;
    if (!frames.empty()) {
        format.width = frames.front().width();
        format.height = frames.front().height();
    }
    const bool eightBit =
        options.kind == AviFrameKind::Indexed8 || options.kind == AviFrameKind::Rle8;
    format.bitCount = eightBit ? 8 : options.kind == AviFrameKind::Rgb24 ? 24 : 32;
    format.compression = options.kind == AviFrameKind::Rle8 ? 1 : 0;
    if (options.topDown && options.kind != AviFrameKind::Rle8) {
        format.height = -format.height;
    }

    std::vector<AviFrameChunk> chunks;
    QImage before;
    for (const QImage &frame : frames) {
        QImage image;
        if (!eightBit) {
            image = frame.convertToFormat(QImage::Format_RGB32);
        } else if (format.palette.isEmpty()) {
            image = frame.convertToFormat(QImage::Format_Indexed8);
            format.palette = image.colorTable();
        } else if (frame.format() == QImage::Format_Indexed8 &&
                   frame.colorTable() == format.palette) {
            image = frame;
        } else {
            image = frame.convertToFormat(QImage::Format_Indexed8, format.palette);
        }
        if (options.kind == AviFrameKind::Rle8) {
            const bool keyFrame = before.isNull();
            chunks.push_back({EncodeRle8(image, keyFrame ? nullptr : &before), keyFrame});
            before = image;
        } else {
            chunks.push_back({PlainFrame(image, format.bitCount, options.topDown), true});
        }
    }
    return BuildAvi(format, chunks);
}
