// Replays every file of the given folders through the fuzz target, so corpora and past crash
// files stay regression tests in ordinary builds. Every file of a folder named *-refused must be
// refused by the target's reader as well.
#include "fuzztarget.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char **argv)
{
    int replayed = 0;
    int accepted = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path folder(argv[i]);
        if (!std::filesystem::is_directory(folder)) {
            continue;
        }
        const bool refused = folder.filename().string().ends_with("-refused");
        if (refused && FuzzInputAccepted == nullptr) {
            std::fprintf(stderr, "%s: this target cannot tell a refused input\n", argv[i]);
            return 1;
        }
        for (const auto &entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file()) {
                continue;
            }
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
            const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.data());
            if (!refused) {
                LLVMFuzzerTestOneInput(data, bytes.size());
            } else if (FuzzInputAccepted(data, bytes.size())) {
                std::fprintf(stderr, "accepted, but must be refused: %s\n", entry.path().c_str());
                ++accepted;
            }
            ++replayed;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    return replayed > 0 && accepted == 0 ? 0 : 1;
}
