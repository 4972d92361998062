#include "project/zipwriter.h"

#include <zip.h>

#include "host/error.h"

namespace quenvar {

namespace {

constexpr std::int64_t kCommitSteps = 1000;

struct TCommitState {
  const TProgress* progress;
  double done = 0;
  bool stopped = false;
};

void OnCommitProgress(zip_t*, double done, void* data) {
  static_cast<TCommitState*>(data)->done = done;
}

// Asked often while the archive is written; a true answer abandons it.
int OnCommitCancel(zip_t*, void* data) {
  auto* state = static_cast<TCommitState*>(data);
  if (!state->stopped &&
      !ReportProgress(*state->progress, std::int64_t(state->done * kCommitSteps), kCommitSteps))
    state->stopped = true;
  return state->stopped ? 1 : 0;
}

}  // namespace

TZipWriter::TZipWriter(const std::string& path, TMode mode) : path_(path) {
  int code = 0;
  zip_ = zip_open(path.c_str(), mode == TMode::Replace ? ZIP_CREATE | ZIP_TRUNCATE : ZIP_CREATE,
                  &code);
  if (!zip_) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    throw Error("Unable to write \"" + path + "\": " + text);
  }
}

TZipWriter::~TZipWriter() {
  if (zip_) zip_discard(zip_);
}

void TZipWriter::SetComment(const std::string& comment) {
  if (zip_set_archive_comment(zip_, comment.data(), zip_uint16_t(comment.size())) != 0) Fail();
}

void TZipWriter::Add(const std::string& name, const TZipBytes& bytes, bool compress) {
  kept_.push_back(bytes);
  zip_source_t* source = zip_source_buffer(zip_, bytes->data(), bytes->size(), 0);
  if (!source) Fail();
  const zip_int64_t index = zip_file_add(zip_, name.c_str(), source, ZIP_FL_OVERWRITE);
  if (index < 0) {
    zip_source_free(source);
    Fail();
  }
  const zip_int32_t method = compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE;
  if (zip_set_file_compression(zip_, zip_uint64_t(index), method, compress ? 6 : 0) != 0) Fail();
}

void TZipWriter::Add(const std::string& name, const std::string& text, bool compress) {
  Add(name, std::make_shared<const std::vector<std::uint8_t>>(text.begin(), text.end()), compress);
}

void TZipWriter::Commit(const TProgress& progress) {
  TCommitState state{&progress};
  if (progress) {
    zip_register_progress_callback_with_state(zip_, 0.001, OnCommitProgress, nullptr, &state);
    zip_register_cancel_callback_with_state(zip_, OnCommitCancel, nullptr, &state);
  }
  const int closed = zip_close(zip_);
  if (closed == 0) {
    zip_ = nullptr;
    return;
  }
  if (progress) {
    // The state dies with this call; the handle lives on after a failure.
    zip_register_progress_callback_with_state(zip_, 0, nullptr, nullptr, nullptr);
    zip_register_cancel_callback_with_state(zip_, nullptr, nullptr, nullptr);
  }
  if (state.stopped) throw Cancelled();
  Fail();
}

void TZipWriter::Fail() {
  throw Error("Unable to write \"" + path_ + "\": " + zip_strerror(zip_));
}

}  // namespace quenvar
