#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

#include <cstdint>
#include <vector>

// Writes the AVI files the program ships (the intro) and the ones its tests read.

enum class AviFrameKind { Indexed8, Rgb24, Rgb32, Rle8 };

// The stream's BITMAPINFOHEADER fields and frame rate, written as given.
struct AviStreamFormat {
    std::int32_t width = 0;
    // Negative: rows stored from the top down.
    std::int32_t height = 0;
    std::uint16_t bitCount = 8;
    // 0 uncompressed, 1 BI_RLE8.
    std::uint32_t compression = 0;
    // 8-bit frames only.
    QList<QRgb> palette;
    std::uint32_t microSecondsPerFrame = 66667;
};

struct AviFrameChunk {
    QByteArray data;
    bool keyFrame = true;
};

// Wraps frame data as it is into an AVI file: headers, one "00db" (uncompressed) or "00dc"
// (compressed) chunk a frame, and the index. Nothing is checked, so tests can build damaged files.
QByteArray BuildAvi(const AviStreamFormat &format, const std::vector<AviFrameChunk> &chunks);

// BI_RLE8 data of one Format_Indexed8 frame, rows bottom-up. With the frame before it, pixels that
// stay the same are skipped with deltas; a player keeps them from that frame.
QByteArray EncodeRle8(const QImage &frame, const QImage *previous = nullptr);

struct AviWriteOptions {
    AviFrameKind kind = AviFrameKind::Rle8;
    std::uint32_t microSecondsPerFrame = 66667;
    // Uncompressed kinds only: run-length encoded rows always go from the bottom up.
    bool topDown = false;
};

// Frames of one size. The 8-bit kinds store the first frame's colour table and map every frame
// onto it; run-length encoded frames after the first are deltas of the frame before.
QByteArray WriteAvi(const std::vector<QImage> &frames, const AviWriteOptions &options = {});
