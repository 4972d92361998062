#pragma once
// The entry point every fuzz target defines: libFuzzer calls it in the fuzz
// build, the replay main calls it once per saved input in the ordinary build.
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
