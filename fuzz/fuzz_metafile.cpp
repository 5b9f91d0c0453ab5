// A background picture may be any file the teacher picked. WMF and EMF go through what the
// metafile helper does, in process: our record checks, then libwmf, libemf2svg and Qt SVG.
#include "fuzztarget.h"

#include "imageformats/metafilehelper/metafiledrawing.h"

#include <QGuiApplication>

namespace {

// Qt SVG draws text, which needs the font database of a GUI application.
void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "fuzz_metafile";
    static char *argv[] = {name, nullptr};
    if (QGuiApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static QGuiApplication application(argc, argv);
    }
}

} // namespace

// Accepted when our checks let the libraries see the file, which then draw it within the bounds:
// the libraries refuse much on their own, so only our checks tell of a refusal.
extern "C" bool FuzzInputAccepted(const std::uint8_t *data, std::size_t size)
{
    EnsureApplication();
    // Lower bounds than the program's keep each run quick; the checks are the same.
    PictureLimits limits;
    limits.maxSide = 4096;
    limits.maxPixels = 1024 * 1024;
    limits.maxBytes = 16 * 1024 * 1024;
    limits.maxMetafileSide = 256;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (!MetafilePassesChecks(bytes, limits)) {
        return false;
    }
    const QImage image = DrawMetafile(bytes, limits);
    if (!image.isNull() &&
        (image.width() > limits.maxMetafileSide || image.height() > limits.maxMetafileSide)) {
        __builtin_trap();
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInputAccepted(data, size);
    return 0;
}
