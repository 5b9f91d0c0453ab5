// A background picture may be any file the teacher picked. WMF and EMF go through the metafile
// helper's record checks here. The libraries that draw what passes them (libwmf, libemf2svg, Qt
// SVG) are not fuzzed in process: they run in the helper, where a fault of theirs ends only the
// helper and the program shows no picture (tst_pictureloader's helper-failure rows show that).
#include "fuzztarget.h"

#include "imageformats/metafilehelper/metafiledrawing.h"

// Accepted when our checks let the libraries see the file.
extern "C" bool FuzzInputAccepted(const std::uint8_t *data, std::size_t size)
{
    return MetafilePassesChecks(
        QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)),
        PictureLimits());
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInputAccepted(data, size);
    return 0;
}
