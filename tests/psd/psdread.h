#pragma once
// Reading a built document in a test: its error message, or the record.
#include <string>

#include "host/error.h"
#include "host/statuslog.h"
#include "psd/psdimage.h"
#include "psd/psdreader.h"
#include "psdbuilder.h"

namespace quenvar::test {

// The message the read fails with; empty when it succeeds.
inline std::string ReadError(const Bytes& file) {
  RecordingLogSink log;
  ScopedLogSink scoped(&log);
  try {
    ReadPsd(file);
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

// Reads a document that must read, its account going to `log` when given.
inline const TPsdImage& ReadOk(const Bytes& file, RecordingLogSink* log = nullptr) {
  RecordingLogSink own;
  ScopedLogSink scoped(log ? log : &own);
  ReadPsd(file);
  return tPsdImage();
}

}  // namespace quenvar::test
