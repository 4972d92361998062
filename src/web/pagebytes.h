#pragma once
// Binary data carried inside the web page almost as it is. The page declares
// itself windows-1252, where each of the 256 byte values reads as one
// character of its own, so a script element can hold the bytes themselves.
// Only the bytes the HTML parser would change or read as markup are escaped,
// with '~': NUL as "~0", carriage return as "~1", '<' as "~2" and '~' itself
// as "~3". The player reverses this (pagebytes in pngdecode.js).
#include <cstdint>
#include <span>
#include <string>

namespace quenvar {

std::string EmbedPageBytes(std::span<const std::uint8_t> bytes);

}  // namespace quenvar
