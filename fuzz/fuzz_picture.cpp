// A background picture may be any file the teacher picked: the raster formats go through the
// same content sniffing, completeness checks and size bounds as LoadPicture, and nothing larger
// than the bounds is ever decoded. Metafiles have a target of their own (fuzz_metafile).
#include "fuzztarget.h"

#include "imageformats/pictureloader.h"

#include <QByteArray>

extern "C" bool FuzzInputAccepted(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const PictureFormat format = SniffPictureFormat(bytes);
    if (format == PictureFormat::Wmf || format == PictureFormat::Emf) {
        return false;
    }
    // Lower bounds than the program's keep each run quick; the checks are the same.
    PictureLimits limits;
    limits.maxSide = 4096;
    limits.maxPixels = 1024 * 1024;
    limits.maxBytes = 16 * 1024 * 1024;
    const QImage image = DecodePicture(bytes, limits);
    if (!image.isNull() && !limits.Fits(image.width(), image.height())) {
        __builtin_trap();
    }
    if (!image.isNull() && image.format() != QImage::Format_RGB32) {
        __builtin_trap();
    }
    return !image.isNull();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInputAccepted(data, size);
    return 0;
}
