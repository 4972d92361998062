#include "formats/fontfinder.h"

#include <fontconfig/fontconfig.h>

#include <map>
#include <mutex>

#if defined(__SANITIZE_ADDRESS__)
#define QUENVAR_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define QUENVAR_LEAK_CHECKED 1
#endif
#endif
#ifdef QUENVAR_LEAK_CHECKED
#include <sanitizer/lsan_interface.h>
#endif

namespace quenvar {
namespace {

struct FontFile {
  std::string path;
  int index = 0;
};

// Lookups and their results are shared; fontconfig is asked under the lock.
std::mutex fontconfigLock;
FcConfig* fontconfig = nullptr;
std::map<FontRequest, FontFile> knownFiles;
constexpr std::size_t kMaxKnownFiles = 512;

// fontconfig's start-up leaves a small block it no longer points to. It
// happens once a process, so the leak checker is told to overlook it.
FcConfig* LoadFontconfig() {
#ifdef QUENVAR_LEAK_CHECKED
  __lsan::ScopedDisabler overlook;
#endif
  return FcInitLoadConfigAndFonts();
}

FontFile Lookup(const FontRequest& request) {
  std::lock_guard<std::mutex> hold(fontconfigLock);
  if (auto it = knownFiles.find(request); it != knownFiles.end()) return it->second;
  if (!fontconfig) fontconfig = LoadFontconfig();
  FontFile file;
  if (!fontconfig) return file;
  FcPattern* pattern = FcPatternCreate();
  const std::string family = request.family.empty() ? "sans-serif" : request.family;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(request.weight));
  FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(fontconfig, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(fontconfig, pattern, &result);
  FcChar8* path = nullptr;
  if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
    file.path = reinterpret_cast<const char*>(path);
    FcPatternGetInteger(match, FC_INDEX, 0, &file.index);
  }
  if (match) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  if (knownFiles.size() >= kMaxKnownFiles) knownFiles.clear();
  knownFiles[request] = file;
  return file;
}

// This thread's FreeType library, the font files it opened and the
// requests it answered; many requests share one file.
struct ThreadFaces {
  FT_Library library = nullptr;
  std::map<std::pair<std::string, int>, FT_Face> files;
  std::map<FontRequest, FT_Face> answers;
  static constexpr std::size_t kMaxFiles = 32, kMaxAnswers = 256;

  ThreadFaces() {
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
  }
  ~ThreadFaces() {
    Forget();
    if (library) FT_Done_FreeType(library);
  }
  void Forget() {
    answers.clear();
    for (auto& entry : files)
      if (entry.second) FT_Done_Face(entry.second);
    files.clear();
  }
  FT_Face Open(const FontFile& file) {
    if (file.path.empty()) return nullptr;
    const auto key = std::make_pair(file.path, file.index);
    if (auto it = files.find(key); it != files.end()) return it->second;
    if (files.size() >= kMaxFiles) Forget();
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.path.c_str(), FT_Long(file.index), &face) != 0) face = nullptr;
    if (face && !FT_IS_SCALABLE(face)) {
      FT_Done_Face(face);
      face = nullptr;
    }
    files[key] = face;
    return face;
  }
};

}  // namespace

FT_Face FindFace(const FontRequest& request, bool* opened) {
  thread_local ThreadFaces cache;
  if (opened) *opened = false;
  if (!cache.library) return nullptr;
  if (auto it = cache.answers.find(request); it != cache.answers.end()) return it->second;
  if (opened) *opened = true;
  FT_Face face = cache.Open(Lookup(request));
  // A face fontconfig names but FreeType cannot draw: the default sans.
  if (!face) face = cache.Open(Lookup(FontRequest{"DejaVu Sans", request.weight, request.italic}));
  // Opening may have emptied the caches; the face itself stays open.
  if (cache.answers.size() >= ThreadFaces::kMaxAnswers) cache.answers.clear();
  cache.answers[request] = face;
  return face;
}

}  // namespace quenvar
