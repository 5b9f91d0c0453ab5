#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// Bounds that keep a hostile file from taking the program's memory: everything is checked against
// them before anything is allocated.
struct AviLimits {
    int maxWidth = 4096;
    int maxHeight = 4096;
    // All decoded frames together, 4 bytes a pixel.
    std::int64_t maxDecodedBytes = std::int64_t{256} * 1024 * 1024;
    int maxFrames = 10000;
    // Only for reading from a file: larger files are refused before they are read.
    std::int64_t maxFileBytes = std::int64_t{512} * 1024 * 1024;
};

// The first video stream of an AVI file, every frame decoded.
struct AviMovie {
    int width = 0;
    int height = 0;
    std::uint32_t microSecondsPerFrame = 0;
    // Format_RGB32, width × height each, in the order of the file.
    std::vector<QImage> frames;

    // The interval a player's timer uses: the file's rate, kept within 1 ms and one minute.
    int FrameIntervalMs() const;
};

// Either the movie or a sentence saying why the file cannot be played.
struct AviReadResult {
    std::optional<AviMovie> movie;
    QString error;

    bool Ok() const { return movie.has_value(); }
};

// Reads an AVI (RIFF) file held in memory. Frames may be uncompressed 8-bit with a palette, 24-bit
// or 32-bit, or 8-bit run-length encoded (BI_RLE8); both row orders are read.
AviReadResult ReadAvi(const QByteArray &bytes, const AviLimits &limits = {});

// The same for a file on disk; a relative path is taken from the current directory.
AviReadResult ReadAviFile(const QString &path, const AviLimits &limits = {});
