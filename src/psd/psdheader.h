#pragma once
// The document properties: header, colour mode data and the section lengths
// that lead to the layers, for normal (version 1) and large (version 2)
// documents.
#include <cstddef>
#include <cstdint>

#include "psd/psdreader.h"
#include "psd/psdstream.h"

namespace quenvar {

// Reads the header and skips each section by its length, up to and with the
// composite's compression code. Fails on a wrong signature or version.
TPsdDocument ReadPsdDocumentProperties(PsdStream& s);

// The form of the reader's own picture; fails on depths other than 1, 2, 4,
// 8, 16 and 32, on documents without channels and on sizes beyond the
// limits or beyond what the file can describe.
void PreparePsdPicture(TPsdDocument& doc, std::size_t fileSize);

// The colour mode data: the palette of indexed documents, a grey ramp for
// grey ones, skipped for the rest.
void ReadPsdColorModeData(PsdStream& s, TPsdDocument& doc);

// How many pixels the document picture may hold: the composite image is
// stored too, and every stored row costs a few bytes, so a file can only
// describe so many.
std::uint64_t PsdPixelBudget(std::size_t fileSize);

}  // namespace quenvar
