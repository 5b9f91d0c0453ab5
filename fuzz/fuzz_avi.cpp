// The AVI reader takes the intro file as it finds it in the start directory.
#include "platform/avireader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Lower bounds than the program's keep each run quick; the checks are the same.
    AviLimits limits;
    limits.maxDecodedBytes = 32 * 1024 * 1024;
    limits.maxFrames = 1000;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const AviReadResult result = ReadAvi(bytes, limits);
    if (result.Ok()) {
        for (const QImage &frame : result.movie->frames) {
            if (frame.width() != result.movie->width || frame.height() != result.movie->height) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
