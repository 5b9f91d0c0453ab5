#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QtEndian>

#include <chrono>
#include <cstdint>
#include <optional>

// Bounds every picture decoder keeps to, checked before anything of that size is allocated. A
// background picture is drawn stretched over an 800 x 600 window, so nothing useful is lost.
struct PictureLimits {
    int maxSide = 16384;
    std::int64_t maxPixels = std::int64_t{64} * 1024 * 1024;
    // Decoded image bytes, and for the formats read whole, the file itself.
    std::int64_t maxBytes = std::int64_t{256} * 1024 * 1024;
    // Metafiles are vector drawings: a larger declared size is scaled down to this, not refused.
    int maxMetafileSide = 2048;
    // The metafile helper program is stopped after this long.
    std::chrono::milliseconds metafileTime{5000};

    bool Fits(std::int64_t width, std::int64_t height) const
    {
        return width > 0 && height > 0 && width <= maxSide && height <= maxSide &&
               width * height <= maxPixels;
    }
};

// Header fields of the formats read here; the caller keeps the field inside the data.
inline std::uint8_t ReadByte(QByteArrayView data, qsizetype at)
{
    return static_cast<std::uint8_t>(data[at]);
}

inline std::uint32_t ReadLe16(QByteArrayView data, qsizetype at)
{
    return qFromLittleEndian<quint16>(data.data() + at);
}

inline std::uint32_t ReadLe32(QByteArrayView data, qsizetype at)
{
    return qFromLittleEndian<quint32>(data.data() + at);
}

inline std::int32_t ReadLeSigned16(QByteArrayView data, qsizetype at)
{
    return qFromLittleEndian<qint16>(data.data() + at);
}

inline std::int32_t ReadLeSigned32(QByteArrayView data, qsizetype at)
{
    return qFromLittleEndian<qint32>(data.data() + at);
}

// The bytes a device-independent bitmap (a BMP file's body, a bitmap inside a metafile) needs: its
// header with colour table and masks, and for uncompressed bits every scan line. Nullopt when the
// header is malformed, beyond the limits, or of a kind no reader here handles.
struct DibNeeds {
    std::int64_t infoBytes = 0;
    std::int64_t bitsBytes = 0;
};
std::optional<DibNeeds> CheckDibHeader(QByteArrayView info, const PictureLimits &limits);

// The picture as an opaque RGB32 image, like a screen bitmap: transparency is laid over white.
QImage OpaquePicture(const QImage &image);

// A drawn metafile handed over as PNG bytes, opaque; null when it does not decode or exceeds the
// metafile side limit.
QImage OpaqueMetafilePng(const QByteArray &png, const PictureLimits &limits);
