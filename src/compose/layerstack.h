#pragma once
// The layered view model: a back buffer that every frame is composed in, the
// canvas surface under the layers, the ordered layer collection, paint stages
// and the selection frame. The Qt view subscribes to its notifications and
// shows the buffer; everything here is free of any window system.
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "compose/drawplan.h"
#include "compose/geometry.h"
#include "compose/surface.h"

namespace quenvar {

class TImage32;
class TLayerCollection;

// An entry's painting when it is one draw of a surface: the surface (null
// when the entry draws nothing), its destination rectangle and clip.
struct TSurfaceDraw {
  const TBitmap32* surface = nullptr;
  TRect dst;
  TRect clip;
};

// LayerOptions bits the program uses.
constexpr std::uint32_t LOB_VISIBLE = 0x80000000u;
constexpr std::uint32_t LOB_MOUSE_EVENTS = 0x20000000u;
constexpr std::uint32_t LOB_NO_UPDATE = 0x10000000u;

enum TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };

// Buttons and modifier keys held.
using TShiftState = std::uint32_t;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32;

enum TCursorShape : std::uint8_t {
  crDefault,
  crSizeAll,
  crSizeNS,
  crSizeWE,
  crSizeNWSE,
  crSizeNESW
};

// Base of every entry of a layer collection. Entries are created and owned by
// their collection (TLayerCollection::Add) and destroyed by it.
class TCustomLayer {
 public:
  using TNotifyEvent = std::function<void(TCustomLayer& sender)>;
  using TMouseEvent =
      std::function<void(TCustomLayer& sender, TMouseButton, TShiftState, int x, int y)>;
  using TMouseMoveEvent = std::function<void(TCustomLayer& sender, TShiftState, int x, int y)>;
  using TPaintLayerEvent = std::function<void(TCustomLayer& sender, TBitmap32& buffer)>;
  using TListenerId = int;

  explicit TCustomLayer(TLayerCollection& owner);
  virtual ~TCustomLayer();
  TCustomLayer(const TCustomLayer&) = delete;
  TCustomLayer& operator=(const TCustomLayer&) = delete;

  TLayerCollection& Collection() const { return *collection_; }
  // Position in the collection; setting moves the entry (an index beyond the
  // end is taken as the last).
  int Index() const;
  void SetIndex(int index);
  void BringToFront();
  void SendToBack();

  std::uint32_t LayerOptions() const { return options_; }
  virtual void SetLayerOptions(std::uint32_t options);
  bool Visible() const { return (options_ & LOB_VISIBLE) != 0; }
  void SetVisible(bool visible);
  bool MouseEvents() const { return (options_ & LOB_MOUSE_EVENTS) != 0; }
  void SetMouseEvents(bool on);

  // Paints the entry onto the composed buffer.
  virtual void Paint(TBitmap32& buffer) { (void)buffer; }
  // True when painting the entry onto `buffer` is exactly the one surface
  // draw put into `draw` (or none), so that the collection may paint it band
  // by band together with its neighbours. Entries that paint in their own
  // way keep the default, false.
  virtual bool DescribePaint(const TBitmap32& buffer, TSurfaceDraw& draw) const {
    (void)buffer, (void)draw;
    return false;
  }
  // True when a press at (x, y) belongs to this entry.
  virtual bool HitTest(int x, int y) const {
    (void)x, (void)y;
    return false;
  }
  // Pointer shape while the pointer is over the entry and no drag runs.
  virtual TCursorShape CursorAt(int x, int y) const {
    (void)x, (void)y;
    return crDefault;
  }

  // Pointer operations; the base ones raise the matching notification.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);

  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  // Runs after the entry has painted itself.
  TPaintLayerEvent OnPaint;

  // Registers to be told, once, when this entry is destroyed.
  TListenerId AddDestroyNotify(TNotifyEvent listener);
  void RemoveDestroyNotify(TListenerId id);

  // Asks the view to compose a new frame.
  void Changed();

 private:
  TLayerCollection* collection_;
  std::uint32_t options_ = LOB_VISIBLE | LOB_MOUSE_EVENTS;
  std::vector<std::pair<TListenerId, TNotifyEvent>> destroyListeners_;
  TListenerId nextListenerId_ = 1;
};

// An entry with a place on the canvas.
class TPositionedLayer : public TCustomLayer {
 public:
  explicit TPositionedLayer(TLayerCollection& owner) : TCustomLayer(owner) {}

  const TFloatRect& Location() const { return location_; }
  virtual void SetLocation(const TFloatRect& location);
  // The location rounded to integers (ties to even); false for NaN or
  // infinite coordinates.
  bool AdjustedRect(TRect& out) const { return RoundRect(location_, out); }

 protected:
  TFloatRect location_{0, 0, 64, 64};
};

// A view layer: a surface drawn into its Location with the surface's own
// draw mode, master alpha, hook and resampler.
class TBitmapLayer : public TPositionedLayer {
 public:
  explicit TBitmapLayer(TLayerCollection& owner);
  ~TBitmapLayer() override;

  TBitmap32& Bitmap() { return bitmap_; }
  const TBitmap32& Bitmap() const { return bitmap_; }
  // When on, drawing is clipped to the canvas surface's rectangle.
  bool Cropped() const { return cropped_; }
  void SetCropped(bool cropped);

  // Final, so that the band-by-band painting, which follows DescribePaint,
  // always paints what Paint would.
  void Paint(TBitmap32& buffer) final;
  bool DescribePaint(const TBitmap32& buffer, TSurfaceDraw& draw) const override;
  // Any point inside Location (left and top inclusive).
  bool HitTest(int x, int y) const override;

 private:
  TBitmap32 bitmap_;
  bool cropped_ = false;
};

// Rubber-band drag kinds, from the hit test.
enum TRBDragState : std::uint8_t {
  dsNone,
  dsMove,
  dsSizeL,
  dsSizeT,
  dsSizeR,
  dsSizeB,
  dsSizeTL,
  dsSizeTR,
  dsSizeBL,
  dsSizeBR
};

// Handle set bits.
using TRBHandles = std::uint8_t;
constexpr TRBHandles rhCenter = 1, rhSides = 2, rhCorners = 4, rhFrame = 8;

// The selection frame: frames a child layer, draws its outline and handles,
// and moves or resizes the child by dragging.
class TRubberbandLayer : public TPositionedLayer {
 public:
  // Lets the owner adjust a new location during a resize (not a move):
  // `start` is the location when the drag began.
  using TResizingEvent =
      std::function<void(TRubberbandLayer& sender, const TFloatRect& start, TFloatRect& newLocation,
                         TRBDragState kind, TShiftState shift)>;

  explicit TRubberbandLayer(TLayerCollection& owner);
  ~TRubberbandLayer() override;

  TPositionedLayer* ChildLayer() const { return child_; }
  // Takes the child's location and watches for its destruction; nullptr
  // detaches and keeps the location.
  void SetChildLayer(TPositionedLayer* child);

  // Stored without the no-update bit.
  void SetLayerOptions(std::uint32_t options) override;
  // Also gives the location to the child.
  void SetLocation(const TFloatRect& location) override;

  TRBHandles Handles = rhCenter | rhSides | rhCorners | rhFrame;
  int HandleSize = 3;
  float MinWidth = 10;
  float MinHeight = 10;
  TColor32 HandleFill = Color32(200, 200, 200, 150);
  TColor32 HandleFrame = Color32(50, 50, 50, 150);
  TResizingEvent OnResizing;

  // What a press at (x, y) would drag.
  TRBDragState GetDragState(int x, int y) const;
  bool Dragging() const { return dragState_ != dsNone; }

  void Paint(TBitmap32& buffer) override;
  bool HitTest(int x, int y) const override;
  TCursorShape CursorAt(int x, int y) const override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  void ForgetChild();

  TPositionedLayer* child_ = nullptr;
  TListenerId childListener_ = 0;
  TRBDragState dragState_ = dsNone;
  TFloatRect dragStart_;
  float dragOffsetX_ = 0;
  float dragOffsetY_ = 0;
};

// The ordered entries of a view; index 0 is drawn first (bottom).
class TLayerCollection {
 public:
  explicit TLayerCollection(TImage32* owner = nullptr) : owner_(owner) {}
  ~TLayerCollection();
  TLayerCollection(const TLayerCollection&) = delete;
  TLayerCollection& operator=(const TLayerCollection&) = delete;

  // Appends a new entry of type T (constructed with this collection and
  // `args`) and returns it.
  template <class T = TBitmapLayer, class... Args>
  T& Add(Args&&... args) {
    auto layer = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T& ref = *layer;
    items_.push_back(std::move(layer));
    Changed();
    return ref;
  }

  int Count() const { return int(items_.size()); }
  TCustomLayer& Items(int index) const { return *items_.at(std::size_t(index)); }
  TCustomLayer& operator[](int index) const { return Items(index); }
  int IndexOf(const TCustomLayer* layer) const;
  // Moves an entry; `to` beyond the end is taken as the last index.
  void Move(int from, int to);
  // Destroys entries.
  void Delete(int index);
  void Remove(TCustomLayer* layer);
  void Clear();

  TImage32* Owner() const { return owner_; }
  // The canvas rectangle in buffer pixels (for cropped layers); the whole
  // buffer-sized plane when there is no owner.
  TRect CanvasRect() const;

  // Draws every visible entry from index 0 upwards. Neighbouring entries that
  // are plain surface draws are painted as one run: on one thread each goes
  // over all its rows in turn; with more threads, each thread takes bands of
  // rows through every layer of the run, so the threads meet once per run
  // rather than once per layer. The bytes are those of painting one entry
  // after the other.
  void Paint(TBitmap32& buffer);
  // How far one Paint onto `buffer` moves grid4's counter.
  std::int64_t GridSteps(const TBitmap32& buffer) const;

  // Mouse routing: a press goes to the highest entry that takes mouse events
  // and accepts the point; it then gets the movements and the release.
  // Returns the entry that took the press, or nullptr.
  TCustomLayer* MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  // Returns true when an entry holds the pointer.
  bool MouseMove(TShiftState shift, int x, int y);
  bool MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  TCustomLayer* MouseListener() const { return mouseListener_; }
  void SetMouseListener(TCustomLayer* layer) { mouseListener_ = layer; }
  // The entry a press at (x, y) would go to, or nullptr.
  TCustomLayer* FindLayerAt(int x, int y) const;
  // Pointer shape at (x, y) when no entry holds the pointer.
  TCursorShape CursorAt(int x, int y) const;

  void Changed();

 private:
  // The run of plain surface draws waiting to be painted band by band.
  bool AddToRun(TBitmap32& buffer, const TSurfaceDraw& draw);
  void PaintRun(TBitmap32& buffer);

  TImage32* owner_;
  std::vector<std::unique_ptr<TCustomLayer>> items_;
  TCustomLayer* mouseListener_ = nullptr;
  std::vector<TDrawPlan> run_;
  // Resampled pictures of the run, kept between frames.
  std::vector<std::vector<TColor32>> runScratch_;
};

enum TPaintStageKind : std::uint8_t {
  PST_CUSTOM,         // calls the view's OnPaintStage with the buffer
  PST_CLEAR_BACKGND,  // fills the buffer with the view's Color
  PST_DRAW_BITMAP,    // draws the canvas surface
  PST_DRAW_LAYERS,    // draws the layer collection
  PST_CONTROL_FRAME,  // design-time frames, never run here
  PST_BITMAP_FRAME,
};

struct TPaintStage {
  TPaintStageKind Stage = PST_CUSTOM;
  bool DsgnTime = false;
  bool RunTime = true;
};

using TPaintStages = std::vector<TPaintStage>;

enum TBitmapAlign : std::uint8_t { baTopLeft, baCenter, baTile, baCustom };

// A layered image control: buffer, canvas surface, collection, stages.
// Only scale 1 with the canvas at the buffer's top-left is drawn.
//
// A window shows it like this: OnInvalidate schedules a paint; the paint
// handler calls Compose() when NeedsPaint() and then shows Buffer();
// OnRepaintNow (raised after RepaintNow has composed) shows Buffer() at once.
class TImage32 {
 public:
  using TViewEvent = std::function<void(TImage32& sender)>;
  using TPaintStageEvent = std::function<void(TImage32& sender, TBitmap32& buffer, int stage)>;
  using TMouseEvent =
      std::function<void(TImage32& sender, TMouseButton, TShiftState, int x, int y)>;
  using TMouseMoveEvent = std::function<void(TImage32& sender, TShiftState, int x, int y)>;

  TImage32();
  virtual ~TImage32();
  TImage32(const TImage32&) = delete;
  TImage32& operator=(const TImage32&) = delete;

  // The back buffer every frame is composed in (client size).
  TBitmap32& Buffer() { return buffer_; }
  // The canvas surface under the layers.
  TBitmap32& Bitmap() { return bitmap_; }
  TLayerCollection& Layers() { return layers_; }
  TPaintStages& PaintStages() { return stages_; }

  void SetClientSize(int width, int height);
  int ClientWidth() const { return buffer_.Width(); }
  int ClientHeight() const { return buffer_.Height(); }

  // Fill colour of the clear-background stage.
  TColor32 Color = Color32(128, 128, 128);
  float Scale = 1;
  TBitmapAlign BitmapAlign = baTopLeft;
  bool Centered = false;
  // Where the canvas surface lies in the buffer.
  TRect CanvasRect() const { return TRect{0, 0, bitmap_.Width(), bitmap_.Height()}; }

  // Update bracket: while open, changes only mark the view for painting;
  // closing the last bracket raises OnInvalidate once if anything changed.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  // Marks the whole view for painting (raises OnInvalidate outside a bracket).
  void Invalidate();
  bool NeedsPaint() const { return needsPaint_; }
  // Composes a frame into the buffer at once and raises OnRepaintNow so the
  // window shows it.
  void RepaintNow();
  // Runs the paint stages over the buffer.
  void Compose();
  // How far one Compose moves grid4's counter (custom stages not counted:
  // they are the window's background).
  std::int64_t GridStepsPerCompose() const;

  TViewEvent OnInvalidate;
  TViewEvent OnRepaintNow;
  TViewEvent OnBeginUpdate;
  TViewEvent OnEndUpdate;
  TPaintStageEvent OnPaintStage;
  // Pointer input that no layer took (a press no entry accepted, and the
  // moves and release that follow it).
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;

  // Pointer input from the window, in buffer coordinates. Returns true when a
  // layer took it.
  bool MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  bool MouseMove(TShiftState shift, int x, int y);
  bool MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  TCursorShape CursorAt(int x, int y) const { return layers_.CursorAt(x, y); }

 private:
  void RunStage(int index);

  TBitmap32 buffer_;
  TBitmap32 bitmap_;
  TPaintStages stages_;
  int updateCount_ = 0;
  bool needsPaint_ = true;
  bool invalidatePending_ = false;
  bool destroying_ = false;
  TLayerCollection layers_{this};
};

// The view: a TImage32 with scrolling and zoom settings that this program
// keeps at scale 1 and top-left placement.
class TImgView32 : public TImage32 {};

}  // namespace quenvar
