#pragma once
// Importing an OpenRaster (.ora) file as a new project.
#include <string>

#include "host/progress.h"

namespace quenvar {

class TProject;

// Layers in one file at most, and stacks nested at most this deep.
constexpr int kMaxOraLayers = 4096;
constexpr int kMaxOraDepth = 64;

// True when the file's name ends in .ora (any letter case).
bool NamesOpenRaster(const std::string& path);

// Makes the open project from the file: the canvas, then one layer per
// OpenRaster layer (nested stacks flattened in order, bottom layer first)
// with its picture, place, opacity and mode (our own attributes first, then
// the composite-op, else alpha blending). A hidden layer comes in with
// opacity 0. Unknown elements are ignored. The caller closes the previous
// project first. Throws quenvar::Error naming what is wrong with a file that
// is not a readable OpenRaster file, and quenvar::Cancelled when `progress`
// stops it; either way no project is left open.
TProject* ImportOpenRaster(const std::string& path, const TProgress& progress = {});

}  // namespace quenvar
