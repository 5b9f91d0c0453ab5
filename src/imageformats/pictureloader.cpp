#include "imageformats/pictureloader.h"

#include "imageformats/metafile.h"
#include "imageformats/pcxdecoder.h"

#include <QBuffer>
#include <QFile>
#include <QImageIOHandler>
#include <QImageIOPlugin>
#include <QImageReader>
#include <QPluginLoader>

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype SniffBytes = 64;
constexpr qsizetype BmpFileHeaderSize = 14;

std::uint32_t ReadBe16(QByteArrayView data, qsizetype at)
{
    return qFromBigEndian<quint16>(data.data() + at);
}

std::uint32_t ReadBe32(QByteArrayView data, qsizetype at)
{
    return qFromBigEndian<quint32>(data.data() + at);
}

// Qt decodes what it has of a cut file and fills the rest, so each format's structure is walked
// first, up to its end mark.

bool BmpIsComplete(QByteArrayView data, const PictureLimits &limits)
{
    if (data.size() < BmpFileHeaderSize) {
        return false;
    }
    const auto needs = CheckDibHeader(data.sliced(BmpFileHeaderSize), limits);
    const std::int64_t bitsAt = ReadLe32(data, 10);
    return needs && BmpFileHeaderSize + needs->infoBytes <= data.size() &&
           bitsAt + needs->bitsBytes <= data.size();
}

bool PngIsComplete(QByteArrayView data)
{
    qsizetype at = 8;
    while (data.size() - at >= 12) {
        const std::int64_t length = ReadBe32(data, at);
        if (length > data.size() - at - 12) {
            return false;
        }
        if (data.sliced(at + 4, 4) == "IEND") {
            return true;
        }
        at += 12 + length;
    }
    return false;
}

// Walks the marker segments and the entropy-coded data after each scan header to the end-of-image
// marker; in coded data 0xFF is always followed by a stuffed zero or a restart marker.
bool JpegIsComplete(QByteArrayView data)
{
    qsizetype at = 2;
    while (data.size() - at >= 2) {
        if (ReadByte(data, at) != 0xFF) {
            return false;
        }
        const int marker = ReadByte(data, at + 1);
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xD9) {
            return true;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (data.size() - at < 4) {
            return false;
        }
        const qsizetype length = ReadBe16(data, at + 2);
        if (length < 2) {
            return false;
        }
        at += 2 + length;
        if (marker != 0xDA) {
            continue;
        }
        while (data.size() - at >= 2) {
            if (ReadByte(data, at) != 0xFF) {
                ++at;
                continue;
            }
            const int next = ReadByte(data, at + 1);
            if (next != 0x00 && !(next >= 0xD0 && next <= 0xD7)) {
                break;
            }
            at += 2;
        }
    }
    return false;
}

bool GifIsComplete(QByteArrayView data)
{
    const auto colourTableBytes = [](int flags) {
        return (flags & 0x80) ? 3 * (2 << (flags & 7)) : 0;
    };
    if (data.size() < 13) {
        return false;
    }
    qsizetype at = 13 + colourTableBytes(ReadByte(data, 10));
    const auto skipSubBlocks = [&] {
        while (at < data.size()) {
            const int length = ReadByte(data, at++);
            if (length == 0) {
                return true;
            }
            at += length;
        }
        return false;
    };
    while (at < data.size()) {
        switch (ReadByte(data, at++)) {
        case 0x3B: // trailer
            return true;
        case 0x21: // extension: label, then sub-blocks
            ++at;
            if (!skipSubBlocks()) {
                return false;
            }
            break;
        case 0x2C: // image: descriptor, colour table, code size, then sub-blocks
            if (data.size() - at < 9) {
                return false;
            }
            at += 9 + colourTableBytes(ReadByte(data, at + 8)) + 1;
            if (!skipSubBlocks()) {
                return false;
            }
            break;
        default:
            return false;
        }
    }
    return false;
}

// Qt's own allocation bound is process-wide: set it for one read, then put it back.
class AllocationLimitScope {
public:
    explicit AllocationLimitScope(std::int64_t bytes) : m_previous(QImageReader::allocationLimit())
    {
        // In whole MiB, and never 0, which would switch the bound off.
        constexpr std::int64_t MiB = 1024 * 1024;
        QImageReader::setAllocationLimit(
            static_cast<int>(std::clamp<std::int64_t>((bytes + MiB - 1) / MiB, 1, 1 << 20)));
    }
    AllocationLimitScope(const AllocationLimitScope &) = delete;
    AllocationLimitScope &operator=(const AllocationLimitScope &) = delete;
    ~AllocationLimitScope() { QImageReader::setAllocationLimit(m_previous); }

private:
    int m_previous;
};

// QImageReader asks the image plugins in turn whether they read a format, loading each one it
// asks, with its libraries (WebP, TIFF, MNG, ...), before it comes to the one for JPEG. The plugin
// named after the format is loaded by itself instead; its handler reads as QImageReader's would,
// which turns no picture by its metadata unless told to. Null when there is no such plugin (BMP
// and PNG are built into Qt): QImageReader reads then.
std::unique_ptr<QImageIOHandler> FormatPluginHandler(QIODevice &device, const QByteArray &format)
{
    QPluginLoader loader(QStringLiteral("imageformats/q") + QString::fromLatin1(format));
    auto *plugin = qobject_cast<QImageIOPlugin *>(loader.instance());
    if (plugin == nullptr || !(plugin->capabilities(nullptr, format) & QImageIOPlugin::CanRead)) {
        return nullptr;
    }
    return std::unique_ptr<QImageIOHandler>(plugin->create(&device, format));
}

template <typename Size, typename Read>
QImage ReadWithinLimits(const Size &size, const Read &read, const PictureLimits &limits)
{
    const QSize announced = size();
    if (!announced.isValid() || !limits.Fits(announced.width(), announced.height()) ||
        std::int64_t{announced.width()} * announced.height() * 4 > limits.maxBytes) {
        return {};
    }
    const AllocationLimitScope allocationLimit(limits.maxBytes);
    // The size a reader announces is not always the size it makes: a GIF's image takes the size
    // of its logical screen, which may be far larger than its first frame.
    const QImage image = read();
    return limits.Fits(image.width(), image.height()) ? OpaquePicture(image) : QImage();
}

QImage ReadWithQt(const QByteArray &bytes, const QByteArray &format, const PictureLimits &limits)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    if (const std::unique_ptr<QImageIOHandler> handler = FormatPluginHandler(buffer, format)) {
        return ReadWithinLimits(
            [&] {
                return handler->supportsOption(QImageIOHandler::Size)
                           ? handler->option(QImageIOHandler::Size).toSize()
                           : QSize();
            },
            [&] {
                QImage image;
                return handler->read(&image) ? image : QImage();
            },
            limits);
    }
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    return ReadWithinLimits([&] { return reader.size(); }, [&] { return reader.read(); }, limits);
}

// Opens a regular file for reading; -1 for anything else. Non-blocking, so a FIFO cannot hang
// the program in open().
int OpenRegularFile(const QByteArray &localPath)
{
    const int fd = ::open(localPath.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

PictureFormat SniffPictureFormat(QByteArrayView head)
{
    if (head.startsWith("BM")) {
        return PictureFormat::Bmp;
    }
    if (head.startsWith("\xFF\xD8\xFF")) {
        return PictureFormat::Jpeg;
    }
    if (head.startsWith("\x89PNG\r\n\x1A\n")) {
        return PictureFormat::Png;
    }
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a")) {
        return PictureFormat::Gif;
    }
    if (IsPcxHeader(head)) {
        return PictureFormat::Pcx;
    }
    if (IsEmfHeader(head)) {
        return PictureFormat::Emf;
    }
    if (IsWmfHeader(head)) {
        return PictureFormat::Wmf;
    }
    return PictureFormat::Unknown;
}

QImage DecodePicture(const QByteArray &bytes, const PictureLimits &limits)
{
    switch (SniffPictureFormat(bytes)) {
    case PictureFormat::Unknown:
        return {};
    case PictureFormat::Bmp:
        return BmpIsComplete(bytes, limits) ? ReadWithQt(bytes, "bmp", limits) : QImage();
    case PictureFormat::Jpeg:
        return JpegIsComplete(bytes) ? ReadWithQt(bytes, "jpeg", limits) : QImage();
    case PictureFormat::Png:
        return PngIsComplete(bytes) ? ReadWithQt(bytes, "png", limits) : QImage();
    case PictureFormat::Gif:
        return GifIsComplete(bytes) ? ReadWithQt(bytes, "gif", limits) : QImage();
    case PictureFormat::Pcx:
        return DecodePcx(bytes, limits);
    case PictureFormat::Wmf:
    case PictureFormat::Emf:
        return RenderMetafile(bytes, limits);
    }
    return {};
}

QImage LoadPicture(const QByteArray &path, int flag)
{
    return LoadPicture(path, flag, PictureLimits{});
}

QImage LoadPicture(const QByteArray &path, int, const PictureLimits &limits)
{
    if (path.isEmpty()) {
        return {};
    }
    const int fd = OpenRegularFile(path);
    if (fd < 0) {
        return {};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    // Unknown content is refused on its first bytes, before a large file is read.
    if (SniffPictureFormat(file.peek(SniffBytes)) == PictureFormat::Unknown ||
        file.size() > limits.maxBytes) {
        return {};
    }
    return DecodePicture(file.readAll(), limits);
}
