#pragma once

namespace quenvar {

// Prepares the program-wide parts of the core that need it once at start
// (the picture-format registry with the PSD reader live). Safe to call twice.
void InitCore();

}  // namespace quenvar
