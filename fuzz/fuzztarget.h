#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

// The entry point libFuzzer calls with each input.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

// Targets whose reader can refuse an input define this too: whether the reader took the input.
// The replay of fuzz/corpus/<name>-refused/ asks it of every file there.
extern "C" bool FuzzInputAccepted(const std::uint8_t *data, std::size_t size) __attribute__((weak));

// A finding: a property the reader must keep did not hold.
inline void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// A folder of this process's own under the temporary folder, for readers that take file names;
// removed at exit. Made at the first call, with the target's name in it.
inline const std::filesystem::path &FuzzScratchFolder(const char *target = "")
{
    // Never destroyed: the exit handler that removes the folder still needs the name.
    static const std::filesystem::path &folder = *new std::filesystem::path([target] {
        const auto made = std::filesystem::temp_directory_path() /
                          ("ortus-fuzz-" + std::string(target) + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(made);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(FuzzScratchFolder(), ignored);
        });
        return made;
    }());
    return folder;
}
