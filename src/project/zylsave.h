#pragma once
// How a save stores each layer's picture: the entry name and bytes, decided
// before project.xml is built so the document names the entries written.
#include <string>
#include <vector>

#include "project/blendclass.h"

namespace quenvar {

class TProject;

struct TPlannedEntry {
  // The name written into the layer's element; empty when the layer has no
  // picture file.
  std::string name;
  // The bytes stored under that name; null when nothing can be stored.
  TPictureBytes bytes;
  // False when an earlier layer already stores the same bytes under this name.
  bool write = false;
};

// One entry per layer, in layer order. Two different pictures never share a
// name, and no picture takes the name of project.xml or copyright.txt.
std::vector<TPlannedEntry> PlanPictureEntries(const TProject& project);

}  // namespace quenvar
