// ortus-metafile MAX_SIDE MAX_PIXELS MAX_BYTES MAX_METAFILE_SIDE: reads a WMF or EMF on standard
// input and writes the picture as PNG on standard output. Exit status 0 with a picture, 1 without,
// 2 for a wrong command line. The program starts it for each metafile and stops it when it takes
// too long, so a crash or a hang of the metafile libraries costs the picture, not the program.
#include "imageformats/metafile.h"
#include "imageformats/metafilehelper/metafiledrawing.h"

#include <QFile>
#include <QGuiApplication>

#include <cinttypes>
#include <cstdio>

#include <sys/resource.h>
#include <unistd.h>

// Clang tells of AddressSanitizer through __has_feature, GCC through __SANITIZE_ADDRESS__.
#if defined(__has_feature)
#define ORTUS_HAS_ADDRESS_SANITIZER __has_feature(address_sanitizer)
#else
#define ORTUS_HAS_ADDRESS_SANITIZER 0
#endif

namespace {

// Bounds the address space to what the process has plus the given headroom. Under
// AddressSanitizer, whose shadow memory reserves terabytes, the bound is left out.
void LimitMemory(std::int64_t headroom)
{
#if !defined(__SANITIZE_ADDRESS__) && !ORTUS_HAS_ADDRESS_SANITIZER
    std::int64_t pages = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%" SCNd64, &pages) != 1) {
            pages = 0;
        }
        std::fclose(statm);
    }
    if (pages > 0) {
        const auto bound = static_cast<rlim_t>(pages * ::sysconf(_SC_PAGESIZE) + headroom);
        const rlimit limit{bound, bound};
        ::setrlimit(RLIMIT_AS, &limit);
    }
#else
    (void)headroom;
#endif
}

} // namespace

int main(int argc, char **argv)
{
    // Qt SVG draws text with the fonts of a GUI application; the helper never shows a window.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const auto limits = MetafileHelperLimits(application.arguments().mid(1));
    if (!limits) {
        std::fprintf(stderr, "usage: %s MAX_SIDE MAX_PIXELS MAX_BYTES MAX_METAFILE_SIDE\n",
                     argv[0]);
        return 2;
    }
    QFile input;
    QFile output;
    if (!input.open(STDIN_FILENO, QIODevice::ReadOnly) ||
        !output.open(STDOUT_FILENO, QIODevice::WriteOnly)) {
        return 1;
    }
    const QByteArray metafile = input.readAll();
    if (metafile.size() > limits->maxBytes) {
        return 1;
    }
    LimitMemory(limits->maxBytes * 4);
    const QImage picture = DrawMetafile(metafile, *limits);
    if (picture.isNull() || !picture.save(&output, "PNG") || !output.flush()) {
        return 1;
    }
    return 0;
}
