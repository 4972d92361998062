#pragma once
// The reader that holds the psd and pdd extensions until the PSD reader
// replaces it at start-up. It recognises PSD documents but cannot decode them.
#include "formats/picturereader.h"

namespace quenvar {

const TPictureReader& PsdPlaceholderReader();

// True when `head` starts with a PSD signature ("8BPS", any case) and version
// 1, with more than 26 bytes present.
bool LooksLikePsd(std::span<const std::uint8_t> head);

}  // namespace quenvar
