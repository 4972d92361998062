#pragma once
// What the web page's player needs to compose a project's frames exactly as
// the program does: each layer's picture as it is drawn, where it lands, how
// it combines, and how far each frame step moves it.
#include <cstdint>
#include <string>
#include <vector>

#include "compose/geometry.h"
#include "compose/surface.h"

namespace quenvar {

class TProject;

struct TWebDraw {
  enum Kind { Opaque, Blend, Operation };
  enum Motion { Still, Turn, Tile };
  // How a stretched picture is resampled (None: drawn at its own size).
  enum Resampler { None, Nearest, Linear, Box };

  int picture = 0;  // index into TWebPlan::pictures
  TRect dst;        // the placement, rounded as the view rounds it
  TRect area;       // the frame pixels the draw covers (not empty)
  Resampler resampler = None;
  Kind kind = Opaque;
  int operation = 0;         // a TBlendOp, for Operation
  std::uint32_t master = 0;  // the surface's MasterAlpha
  Motion motion = Still;
  // Per frame step: a turned picture's start in its store moves on by
  // turnStep (modulo width x height); a tiled one's column and row offsets
  // by tileStepX and tileStepY (modulo width and height).
  std::uint64_t turnStep = 0;
  int tileStepX = 0;
  int tileStepY = 0;
};

struct TWebPlan {
  std::string name;
  int width = 0;
  int height = 0;
  int fps = 0;
  // grid4 calls one composed frame makes.
  std::int64_t gridCallsPerFrame = 0;
  std::vector<TWebDraw> draws;  // bottom first; draws that put nothing down are left out
  struct TPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> png;  // EncodePlainPng of the picture as drawn
  };
  std::vector<TPicture> pictures;
};

// Layers are drawn as the open view window draws them (its resampler, where
// a layer has a view layer). Throws quenvar::Error for an empty canvas or a
// layer drawn in a way the player does not know.
TWebPlan PlanWebPage(const TProject& project, int fps);

}  // namespace quenvar
