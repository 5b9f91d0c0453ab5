#include "imageformats/pcxdecoder.h"

#include <QList>
#include <QRgb>

#include <cstdint>
#include <vector>

namespace {

constexpr qsizetype HeaderSize = 128;
constexpr qsizetype EndPaletteSize = 1 + 256 * 3;
constexpr std::uint8_t EndPaletteMarker = 0x0C;

enum class Layout { Planar, Packed4, Indexed8, Rgb24 };

// Hands out the bytes of the pixel data, expanding runs; a run may go on into the next line, as
// some writers let it.
class RunReader {
public:
    RunReader(QByteArrayView data, bool encoded) : m_data(data), m_encoded(encoded) {}

    // Fills the line; false when the data ends first.
    bool ReadLine(std::vector<std::uint8_t> &line)
    {
        for (std::uint8_t &out : line) {
            if (m_runLeft == 0 && !NextRun()) {
                return false;
            }
            out = m_runValue;
            --m_runLeft;
        }
        return true;
    }

private:
    bool NextRun()
    {
        // A run of length 0 carries nothing, so skip it rather than stall on it.
        while (m_at < m_data.size()) {
            const std::uint8_t code = ReadByte(m_data, m_at++);
            if (!m_encoded || (code & 0xC0) != 0xC0) {
                m_runValue = code;
                m_runLeft = 1;
                return true;
            }
            if (m_at >= m_data.size()) {
                return false;
            }
            m_runValue = ReadByte(m_data, m_at++);
            m_runLeft = code & 0x3F;
            if (m_runLeft > 0) {
                return true;
            }
        }
        return false;
    }

    QByteArrayView m_data;
    bool m_encoded;
    qsizetype m_at = 0;
    std::uint8_t m_runValue = 0;
    int m_runLeft = 0;
};

QList<QRgb> HeaderPalette(QByteArrayView data, int colours)
{
    QList<QRgb> table;
    for (int i = 0; i < colours; ++i) {
        const qsizetype at = 16 + 3 * i;
        table.append(qRgb(ReadByte(data, at), ReadByte(data, at + 1), ReadByte(data, at + 2)));
    }
    return table;
}

QList<QRgb> EndPalette(QByteArrayView data)
{
    QList<QRgb> table;
    const qsizetype start = data.size() - EndPaletteSize + 1;
    for (int i = 0; i < 256; ++i) {
        const qsizetype at = start + 3 * i;
        table.append(qRgb(ReadByte(data, at), ReadByte(data, at + 1), ReadByte(data, at + 2)));
    }
    return table;
}

void StoreLine(QImage &image, int y, Layout layout, int planes, int bytesPerLine,
               const std::vector<std::uint8_t> &line, const QList<QRgb> &colours)
{
    const int width = image.width();
    auto *pixels = reinterpret_cast<QRgb *>(image.scanLine(y));
    switch (layout) {
    case Layout::Planar:
        for (int x = 0; x < width; ++x) {
            const int shift = 7 - (x & 7);
            int index = 0;
            for (int plane = 0; plane < planes; ++plane) {
                index |= ((line[plane * std::size_t(bytesPerLine) + x / 8] >> shift) & 1) << plane;
            }
            pixels[x] = colours[index];
        }
        break;
    case Layout::Packed4:
        for (int x = 0; x < width; ++x) {
            pixels[x] = colours[(line[x / 2] >> ((x & 1) ? 0 : 4)) & 0x0F];
        }
        break;
    case Layout::Indexed8:
        for (int x = 0; x < width; ++x) {
            pixels[x] = colours[line[x]];
        }
        break;
    case Layout::Rgb24:
        for (int x = 0; x < width; ++x) {
            pixels[x] =
                qRgb(line[x], line[bytesPerLine + x], line[2 * std::size_t(bytesPerLine) + x]);
        }
        break;
    }
}

} // namespace

bool IsPcxHeader(QByteArrayView head)
{
    if (head.size() < 4 || ReadByte(head, 0) != 0x0A) {
        return false;
    }
    const int version = ReadByte(head, 1);
    const int encoding = ReadByte(head, 2);
    const int bits = ReadByte(head, 3);
    return (version == 0 || (version >= 2 && version <= 5)) && encoding <= 1 &&
           (bits == 1 || bits == 2 || bits == 4 || bits == 8);
}

QImage DecodePcx(QByteArrayView data, const PictureLimits &limits)
{
    if (data.size() < HeaderSize || !IsPcxHeader(data)) {
        return {};
    }
    const bool encoded = ReadByte(data, 2) == 1;
    const int bits = ReadByte(data, 3);
    const int xMin = static_cast<int>(ReadLe16(data, 4));
    const int yMin = static_cast<int>(ReadLe16(data, 6));
    const int xMax = static_cast<int>(ReadLe16(data, 8));
    const int yMax = static_cast<int>(ReadLe16(data, 10));
    const int planes = ReadByte(data, 65);
    const int bytesPerLine = static_cast<int>(ReadLe16(data, 66));
    if (xMax < xMin || yMax < yMin) {
        return {};
    }
    const int width = xMax - xMin + 1;
    const int height = yMax - yMin + 1;
    if (!limits.Fits(width, height)) {
        return {};
    }

    Layout layout;
    if (bits == 1 && planes >= 1 && planes <= 4) {
        layout = Layout::Planar;
    } else if (bits == 4 && planes == 1) {
        layout = Layout::Packed4;
    } else if (bits == 8 && planes == 1) {
        layout = Layout::Indexed8;
    } else if (bits == 8 && planes == 3) {
        layout = Layout::Rgb24;
    } else {
        return {};
    }
    if (bytesPerLine < (std::int64_t{width} * bits + 7) / 8) {
        return {};
    }
    // Padding past the picture is decoded and dropped, so it counts against the work bound.
    const std::int64_t lineBytes = std::int64_t{planes} * bytesPerLine;
    if (lineBytes * height > limits.maxBytes ||
        std::int64_t{width} * height * 4 > limits.maxBytes) {
        return {};
    }

    QByteArrayView pixelData = data.sliced(HeaderSize);
    QList<QRgb> colours;
    switch (layout) {
    case Layout::Planar:
        colours = planes == 1 ? QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}
                              : HeaderPalette(data, 1 << planes);
        break;
    case Layout::Packed4:
        colours = HeaderPalette(data, 16);
        break;
    case Layout::Indexed8:
        if (data.size() < HeaderSize + EndPaletteSize ||
            ReadByte(data, data.size() - EndPaletteSize) != EndPaletteMarker) {
            return {};
        }
        colours = EndPalette(data);
        pixelData.chop(EndPaletteSize);
        break;
    case Layout::Rgb24:
        break;
    }

    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    RunReader reader(pixelData, encoded);
    std::vector<std::uint8_t> line(static_cast<std::size_t>(lineBytes));
    for (int y = 0; y < height; ++y) {
        if (!reader.ReadLine(line)) {
            return {};
        }
        StoreLine(image, y, layout, planes, bytesPerLine, line, colours);
    }
    return image;
}
