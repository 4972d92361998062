#pragma once
// Base64 (the standard alphabet, padded) for pictures inside a web page.
#include <cstdint>
#include <span>
#include <string>

namespace quenvar {

std::string Base64Encode(std::span<const std::uint8_t> bytes);

}  // namespace quenvar
