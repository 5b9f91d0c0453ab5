// Draws the program's icon in the sizes a desktop asks for, laid out as an icon theme folder.
// Usage: ortus-make-icons FOLDER SIZE...   writes FOLDER/<SIZE>x<SIZE>/apps/ortus.png for each SIZE
#include "windows/programicon.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>
#include <vector>

namespace {

// Wider than any theme folder in use, small enough that a typo cannot ask for gigabytes.
constexpr int LargestSize = 1024;

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FOLDER SIZE...\n", argv[0]);
        return 2;
    }
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i) {
        bool number = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&number);
        if (!number || size < 1 || size > LargestSize) {
            std::fprintf(stderr, "%s: not an icon size (1 to %d): %s\n", argv[0], LargestSize,
                         argv[i]);
            return 2;
        }
        sizes.push_back(size);
    }

    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (const int size : sizes) {
        const QString apps = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = folder.filePath(apps + QStringLiteral("/ortus.png"));
        if (!folder.mkpath(apps) || !DrawProgramIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(path));
            return 1;
        }
    }
    return 0;
}
