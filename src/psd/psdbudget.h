#pragma once
// What a document's stored data can describe, and what one read may decode
// into: checked before any plane or picture is made, so that a small file
// cannot make the reader allocate gigabytes.
#include <cstdint>

#include "psd/psdchannel.h"
#include "psd/psdimage.h"

namespace quenvar {

// Damaged small channels still decode: a plane may lack this many bytes of
// what its data should fill, the bytes not reached left 0.
constexpr std::uint64_t kPsdShortDataAllowance = 1024;

// The most plane bytes a channel's stored data can fill with its
// compression: raw data fills its length, PackBits 128 bytes for every 2
// packed bytes behind the row table, deflate about 1032 times its length.
std::uint64_t PsdFillableBytes(const TPsdChannel& channel, const TPsdPlaneShape& shape);

// Fails with a message when the plane the shape describes is larger than
// the channel's data can fill, beyond the allowance for short data.
void CheckPsdChannelFillable(const PsdLayer& layer, const TPsdChannel& channel,
                             const TPsdPlaneShape& shape);

// Checks every channel a read will decode against its data, the pictures
// of layers that store no picture data against a small allowance, and all
// planes and pictures together (the document picture of docWidth x
// docHeight included) against the read's memory budget.
void CheckPsdReadBudget(const TPsdImage& img, int bytesPerSample, bool large, std::int64_t docWidth,
                        std::int64_t docHeight);

}  // namespace quenvar
