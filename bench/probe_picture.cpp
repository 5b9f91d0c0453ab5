// Loads one picture as the main window loads its background, for bench_report: prints
// "refused GROWN" or "loaded GROWN", GROWN being how far the process's peak resident set (KiB)
// rose during the load. A picture that must be refused should cost next to nothing, however
// large the file or the size its header declares.
// Usage: probe_picture FILE

#include "imageformats/pictureloader.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>

namespace {

long PeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: probe_picture FILE\n", stderr);
        return EXIT_FAILURE;
    }
    const QCoreApplication application(argc, argv);
    const long before = PeakKiB();
    const bool loaded = !LoadPicture(argv[1], 0).isNull();
    std::printf("%s %ld\n", loaded ? "loaded" : "refused", PeakKiB() - before);
    return EXIT_SUCCESS;
}
