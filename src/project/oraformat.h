#pragma once
// What the OpenRaster writer and reader share: the archive's fixed names, the
// program's own attribute namespace and the blend modes' composite-op names.
#include <optional>
#include <string>
#include <string_view>

#include "compose/blendmodes.h"

namespace quenvar {

constexpr const char* kOraMimeType = "image/openraster";
constexpr const char* kOraStack = "stack.xml";
constexpr const char* kOraMerged = "mergedimage.png";
constexpr const char* kOraThumbnail = "Thumbnails/thumbnail.png";
constexpr int kOraThumbnailSide = 256;

// Our attributes carry what OpenRaster has no word for (the exact mode,
// motion, placement, the project's settings) under this namespace.
constexpr const char* kOraNamespace = "https://quenvar.example.org/openraster/1";
constexpr const char* kOraPrefix = "quenvar";

// The composite-op that draws like `mode`, or "svg:src-over" (plain alpha
// blending) for the modes OpenRaster has no operation for.
std::string CompositeOpOfMode(TBlendMode mode);
// True when CompositeOpOfMode names an operation of the mode's own.
bool ModeHasCompositeOp(TBlendMode mode);
// The mode a composite-op draws like; nothing for an operation we lack.
std::optional<TBlendMode> ModeOfCompositeOp(std::string_view op);

}  // namespace quenvar
