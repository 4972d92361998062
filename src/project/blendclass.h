#pragma once
// TBlendLayer: one layer of the open project. It keeps the source picture,
// its blend mode, opacity, placement and motion; its view layer (ALayer) in
// the view window's layer collection is the copy that is drawn and scrolled.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "compose/blendmodes.h"
#include "compose/surface.h"
#include "project/pictureentry.h"

namespace quenvar {

class TBitmapLayer;

// Bytes of a picture file, shared between a layer and the saves that write
// them back unchanged.
using TPictureBytes = std::shared_ptr<const std::vector<std::uint8_t>>;

class TBlendLayer {
 public:
  // Joins the open project; throws quenvar::Error when no project is open.
  TBlendLayer();
  // Leaves the project's layer list. The view layer is not destroyed here: it
  // belongs to the view's layer collection.
  ~TBlendLayer();
  TBlendLayer(const TBlendLayer&) = delete;
  TBlendLayer& operator=(const TBlendLayer&) = delete;

  TBlendMode Mode() const { return mode_; }
  // Stores the mode and gives the view layer's surface the mode's drawing
  // settings.
  void SetMode(TBlendMode mode);

  // Loads a picture file chosen by the user and refreshes the view layer,
  // which draws it at its own size. Throws when the file cannot be read or
  // decoded; the layer is then as it was.
  void OpenPictureFile(const std::string& path);
  // Decodes a picture entry read from a project archive.
  void LoadPictureStream(TPictureBytes data, const std::string& entryName);
  // The second half of LoadPictureStream: takes over an entry decoded by
  // DecodePictureEntry (perhaps on another thread), with its logging and
  // errors, as if it had been decoded here.
  void TakePictureEntry(TPictureBytes data, const std::string& entryName, TDecodedEntry decoded);
  void LoadPictureStream(std::span<const std::uint8_t> data, const std::string& entryName);
  // Creates the view layer on top of the view's collection, optionally with a
  // copy of the picture, and places it.
  void CreateViewLayer(bool copyPicture);
  // Copies the picture into the view layer (creating it when missing).
  void RefreshViewLayer();

  // The view layer's placement rounded to whole pixels (ties to even); the
  // place a new view layer would get when there is none.
  struct TPlacement {
    std::int32_t left, top, right, bottom;
  };
  TPlacement ViewPlacement() const;
  // x, y, x2 and y2 take the view layer's rounded place, so a view rebuilt
  // from the layer draws it where and as large as it is now.
  void KeepViewPlacement();

  std::string name;
  TBitmap32 bmp;
  std::int32_t number = 0;
  TBitmapLayer* ALayer = nullptr;
  std::string filename;
  std::uint16_t opacity = 255;
  std::uint8_t my = 0;
  std::uint8_t mx = 0;
  std::uint8_t interlaced = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t x2 = 0;
  std::int32_t y2 = 0;
  std::uint8_t px = 1;
  std::uint8_t py = 1;
  std::uint16_t picWidth = 0;
  std::uint16_t picHeight = 0;
  std::int32_t speed = 0;
  std::int32_t posx = 0;
  std::int32_t posy = 0;
  // Tiled motion: the picture moves across and down by posx and posy, each
  // row and column wrapping within itself, instead of turning as one
  // sequence of pixels. Saved as wrap="tile".
  bool tileWrap = false;
  std::uint16_t compressionRatio = 0;
  // The compressed bytes of a JPEG picture loaded from a project archive,
  // written back unchanged by the next save.
  TPictureBytes jpegImage;
  // The bytes the current picture was decoded from (a file or an archive
  // entry), so a save can store any format unchanged; null when the picture
  // did not come from bytes (PSD import, a failed load).
  TPictureBytes sourceBytes;

 private:
  void ApplyModeToViewLayer();
  void WatchViewLayer(TBitmapLayer* layer);
  void ForgetViewLayer();
  void SetPictureSizeFromBitmap();

  TBlendMode mode_ = bmNone;
  int viewListener_ = 0;
};

// The file-name part of a path: everything after the last '/' or '\'.
std::string FileNamePart(const std::string& path);
// The extension of a path's file-name part without its dot ("" if none).
std::string ExtensionOf(const std::string& path);
// The largest picture file the program reads into memory, derived from the
// picture limits in force.
std::size_t MaxPictureFileBytes();

}  // namespace quenvar
