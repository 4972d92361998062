#pragma once
// What long work reports its progress to: a progress dialog, or a test's
// script.
#include <cstdint>

#include "host/progress.h"

class ProgressReport {
 public:
  virtual ~ProgressReport() = default;
  // `done` of `total` units (total 0 when unknown); false once the user has
  // asked to stop.
  virtual bool Update(std::int64_t done, std::int64_t total) = 0;
  // The report as the core's progress callback; the report must outlive it.
  quenvar::TProgress AsProgress() {
    return [this](std::int64_t done, std::int64_t total) { return Update(done, total); };
  }
};
