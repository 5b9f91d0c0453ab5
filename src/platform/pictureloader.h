#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>

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
    // The metafile libraries run in a child process that is stopped after this long.
    std::chrono::milliseconds metafileTime{5000};

    bool Fits(std::int64_t width, std::int64_t height) const
    {
        return width > 0 && height > 0 && width <= maxSide && height <= maxSide &&
               width * height <= maxPixels;
    }
};

// Little-endian header fields; the caller keeps the field inside the data.
inline std::uint32_t ReadLe16(QByteArrayView data, qsizetype at)
{
    return static_cast<std::uint8_t>(data[at]) | (static_cast<std::uint8_t>(data[at + 1]) << 8);
}

inline std::uint32_t ReadLe32(QByteArrayView data, qsizetype at)
{
    return ReadLe16(data, at) | (ReadLe16(data, at + 2) << 16);
}

// The bytes a device-independent bitmap (a BMP file's body, a bitmap inside a metafile) needs: its
// header with colour table and masks, and for uncompressed bits every scan line. Nullopt when the
// header is malformed, beyond the limits, or of a kind no reader here handles.
struct DibNeeds {
    std::int64_t infoBytes = 0;
    std::int64_t bitsBytes = 0;
};
std::optional<DibNeeds> CheckDibHeader(QByteArrayView info, const PictureLimits &limits);

enum class PictureFormat { Unknown, Pcx, Bmp, Jpeg, Png, Gif, Wmf, Emf };

// Tells the format by the first bytes of a file; the name's extension plays no part.
PictureFormat SniffPictureFormat(QByteArrayView head);

// The picture as an opaque RGB32 image, like a screen bitmap: transparency is laid over white.
QImage OpaquePicture(const QImage &image);

// Decodes a picture held in memory, as LoadPicture does a file's content. A file cut short is
// refused rather than shown in part (except for run-length encoded BMP, which Qt shows as far as
// it goes).
QImage DecodePicture(const QByteArray &bytes, const PictureLimits &limits = {});

// The background picture loader. The path is the file system's name of the picture. The flag is
// always 0 and means nothing here. Returns an opaque RGB32 image, or a null image when nothing
// loads (empty path, missing file, a directory, unknown or damaged content). Never shows a message.
QImage LoadPicture(const QByteArray &path, int flag);
QImage LoadPicture(const QByteArray &path, int flag, const PictureLimits &limits);
