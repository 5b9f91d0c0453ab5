#pragma once

#include <cstddef>
#include <cstdint>

// The entry point libFuzzer calls with each input.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

// Targets whose reader can refuse an input define this too: whether the reader took the input.
// The replay of fuzz/corpus/<name>-refused/ asks it of every file there.
extern "C" bool FuzzInputAccepted(const std::uint8_t *data, std::size_t size) __attribute__((weak));
