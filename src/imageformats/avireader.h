#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
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

// What decoding a frame needs to know of its file.
struct AviFrameFormat {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    bool rle8 = false;
    // Stored rows run from the top down (a negative height in the file).
    bool topDown = false;
    // 256 colours for 8-bit frames.
    QList<QRgb> colourTable;
};

// The first video stream of an AVI file, checked whole when it is read, with its frames decoded
// one at a time: a player keeps one decoded frame, not all of them.
class AviClip {
public:
    // Where a frame's chunk lies in the file.
    struct Span {
        qsizetype offset = 0;
        qsizetype size = 0;
    };

    AviClip() = default;
    AviClip(QByteArray file, AviFrameFormat format, std::uint32_t microSecondsPerFrame,
            std::vector<Span> frames);

    int Width() const { return m_format.width; }
    int Height() const { return m_format.height; }
    std::uint32_t MicroSecondsPerFrame() const { return m_microSecondsPerFrame; }
    // The interval a player's timer uses: the file's rate, kept within 1 ms and one minute.
    int FrameIntervalMs() const;
    int FrameCount() const { return static_cast<int>(m_frames.size()); }

    // The frame (counted from 0), width x height: Format_Indexed8 with the file's palette for
    // 8-bit files, a quarter of the memory of Format_RGB32, which the others are (and an empty
    // first chunk, which is black). Run-length frames build on the one before, so decoding goes
    // on from the last frame decoded, or starts again at the first.
    QImage Frame(int index);

private:
    void DecodeNext();

    QByteArray m_file;
    AviFrameFormat m_format;
    std::uint32_t m_microSecondsPerFrame = 0;
    std::vector<Span> m_frames;
    int m_decoded = -1;
    std::vector<unsigned char> m_indices;
    QImage m_image;
};

// Either the clip or a sentence saying why the file cannot be played.
struct AviClipResult {
    std::optional<AviClip> clip;
    QString error;

    bool Ok() const { return clip.has_value(); }
};

// Reads an AVI (RIFF) file held in memory. Frames may be uncompressed 8-bit with a palette, 24-bit
// or 32-bit, or 8-bit run-length encoded (BI_RLE8); both row orders are read.
AviClipResult ReadAviClip(const QByteArray &bytes, const AviLimits &limits = {});

// The same for a file on disk; a relative path is taken from the current directory.
AviClipResult ReadAviClipFile(const QString &path, const AviLimits &limits = {});
