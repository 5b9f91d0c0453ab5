// The AVI reader takes the intro file as it finds it in the start directory; every frame is
// decoded as the animation control shows them.
#include "fuzztarget.h"

#include "imageformats/avireader.h"

extern "C" bool FuzzInputAccepted(const std::uint8_t *data, std::size_t size)
{
    // Lower bounds than the program's keep each run quick; the checks are the same.
    AviLimits limits;
    limits.maxDecodedBytes = 32 * 1024 * 1024;
    limits.maxFrames = 1000;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    AviClipResult result = ReadAviClip(bytes, limits);
    if (!result.Ok()) {
        return false;
    }
    AviClip &clip = *result.clip;
    for (int index = 0; index < clip.FrameCount(); ++index) {
        if (clip.Frame(index).size() != QSize(clip.Width(), clip.Height())) {
            __builtin_trap();
        }
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInputAccepted(data, size);
    return 0;
}
