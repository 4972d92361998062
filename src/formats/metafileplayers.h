#pragma once
// The two metafile players behind the metafile reader.
#include <cstdint>
#include <span>
#include <string>

#include "formats/picture.h"

namespace quenvar {

bool IsWmf(std::span<const std::uint8_t> head);
bool IsEmf(std::span<const std::uint8_t> head);
TPicture PlayWmf(std::span<const std::uint8_t> data, const std::string& fileName);
TPicture PlayEmf(std::span<const std::uint8_t> data, const std::string& fileName);

}  // namespace quenvar
