// SplitterGeometry: a container split into a left pane, a vertical bar and a right
// pane. The bar keeps its proportion of the width when the container is resized
// and can be dragged, either moving the panes live or showing an outline until
// the button is released. All positions are pixels of the container's client area.
#pragma once

#include <cstdint>

namespace tessaly {

struct SplitRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const SplitRect&) const = default;
};

// The window manager's sizes the splitter derives its bar width and smallest pane from.
struct SplitterMetrics {
  int frame = 0;     // sizing frame width
  int border = 0;    // thin border width
  int minTrack = 0;  // smallest width a window may be tracked to
};

// Linux desktop values: a 5-pixel bar and panes of at least 50 pixels.
inline constexpr SplitterMetrics kDesktopSplitterMetrics{6, 1, 117};

// The four windows the splitter arranges: the container, both panes and the bar.
class SplitterHost {
 public:
  virtual ~SplitterHost() = default;
  virtual int ContainerClientWidth() const = 0;
  virtual int ContainerClientHeight() const = 0;
  virtual int BarLeft() const = 0;
  virtual SplitterMetrics Metrics() const = 0;
  // True when the left pane draws a sunken edge inside a border, so the panes overlap by it.
  virtual bool LeftPaneHasEdgeAndBorder() const = 0;
  // Gives the bar its colour and sizing pointer and brings it to the front.
  virtual void PrepareBar() = 0;
  // redraw: repaint the moved window at once.
  virtual void MoveLeftPane(const SplitRect& rect, bool redraw) = 0;
  virtual void MoveRightPane(const SplitRect& rect, bool redraw) = 0;
  virtual void MoveBar(const SplitRect& rect, bool redraw) = 0;
  virtual void DrawOutline(const SplitRect& rect) = 0;
  virtual void EraseOutline(const SplitRect& rect) = 0;
  // Takes the mouse for a drag; false when it cannot, and no drag starts.
  virtual bool BeginDrag() = 0;
  virtual void EndDrag() = 0;
};

class SplitterGeometry {
 public:
  // The host must outlive the splitter or be replaced first; nullptr detaches.
  void SetControls(SplitterHost* host);

  uint8_t Percent() const;
  void SetPercent(uint8_t percent);
  int Left() const { return left_; }
  void SetLeft(int left);
  uint8_t Width() const { return width_; }
  void SetWidth(uint8_t width);
  int Top() const { return top_; }
  void SetTop(int top);
  int HeightOffset() const { return heightOffset_; }
  void SetHeightOffset(int heightOffset);

  void AdjustSplitterPosition(bool redraw);

  bool Splitting() const { return splitting_; }
  bool TrackSplit() const { return trackSplit_; }
  void SetTrackSplit(bool track) { trackSplit_ = track; }

  // x and y are pixels relative to the bar.
  void BeginSplit(int x, int y);
  void MoveSplitter(int x, int y);
  void EndSplit(int x, int y, bool redraw);
  void CancelSplit();

  int MinPane() const { return minPane_; }

 private:
  int ClampLeft(int left) const;
  int PointerLeft(int x) const;
  SplitRect OutlineRect() const;
  void MovePanes(bool redraw);

  SplitterHost* host_ = nullptr;
  int left_ = 0;
  int top_ = 0;
  uint8_t width_ = 0;
  int heightOffset_ = 0;
  int minPane_ = 0;
  int edgeAdjust_ = 0;
  int containerWidth_ = 0;
  int availHeight_ = 0;
  int referenceWidth_ = 0;
  float ratio_ = 0;
  bool trackSplit_ = false;
  bool splitting_ = false;
  // What a cancelled drag puts back.
  int savedLeft_ = 0;
  int savedReferenceWidth_ = 0;
  float savedRatio_ = 0;
  int lastLeft_ = 0;
};

}  // namespace tessaly
