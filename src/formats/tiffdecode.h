#pragma once
// TIFF decoding from memory through libtiff, shared by the TIFF reader and
// the EPS reader (whose preview picture is a TIFF file).
#include <cstdint>
#include <span>
#include <string>

#include "formats/picture.h"

namespace quenvar {

// Decodes the first page of the TIFF file held in `data`.
TPicture DecodeTiffData(std::span<const std::uint8_t> data, const std::string& fileName);

bool IsTiffSignature(std::span<const std::uint8_t> head);

}  // namespace quenvar
