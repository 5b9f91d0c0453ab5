// A background picture may be any file the teacher picked; the PCX decoder reads it unaided.
#include "fuzztarget.h"

#include "imageformats/pcxdecoder.h"

extern "C" bool FuzzInputAccepted(const std::uint8_t *data, std::size_t size)
{
    // Lower bounds than the program's keep each run quick; the checks are the same.
    PictureLimits limits;
    limits.maxSide = 4096;
    limits.maxPixels = 1024 * 1024;
    limits.maxBytes = 16 * 1024 * 1024;
    const QImage image = DecodePcx(
        QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)), limits);
    if (!image.isNull() && !limits.Fits(image.width(), image.height())) {
        __builtin_trap();
    }
    return !image.isNull();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInputAccepted(data, size);
    return 0;
}
