#include "winsupport/splitter_geometry.h"

#include <algorithm>
#include <cmath>

namespace tessaly {

void SplitterGeometry::SetControls(SplitterHost* host) {
  host_ = host;
  if (!host_) return;
  host_->PrepareBar();
  const SplitterMetrics metrics = host_->Metrics();
  if (width_ == 0) width_ = static_cast<uint8_t>(metrics.frame - metrics.border);
  edgeAdjust_ = host_->LeftPaneHasEdgeAndBorder() ? metrics.border : 0;
  minPane_ = (metrics.minTrack - (2 * metrics.frame + width_)) / 2;
}

uint8_t SplitterGeometry::Percent() const {
  if (!host_) return 0;
  const int clientWidth = host_->ContainerClientWidth();
  if (clientWidth <= 0) return 0;
  const long percent = std::lround(static_cast<double>(left_) / clientWidth * 100);
  return static_cast<uint8_t>(std::clamp(percent, 0L, 255L));
}

void SplitterGeometry::SetPercent(uint8_t percent) {
  if (!host_) return;
  SetLeft(static_cast<int>(std::lround(percent * 0.01 * host_->ContainerClientWidth())));
}

void SplitterGeometry::SetLeft(int left) {
  left_ = left;
  ratio_ = 0;
  // The new left is meant for the container as it is now, not as it was when the
  // proportion was last taken.
  referenceWidth_ = 0;
  AdjustSplitterPosition(true);
}

void SplitterGeometry::SetWidth(uint8_t width) {
  width_ = width;
  AdjustSplitterPosition(true);
}

void SplitterGeometry::SetTop(int top) {
  top_ = top;
  AdjustSplitterPosition(true);
}

void SplitterGeometry::SetHeightOffset(int heightOffset) {
  heightOffset_ = heightOffset;
  AdjustSplitterPosition(true);
}

void SplitterGeometry::AdjustSplitterPosition(bool redraw) {
  if (!host_) return;
  const int clientWidth = host_->ContainerClientWidth();
  const int clientHeight = host_->ContainerClientHeight();
  if (ratio_ <= 0) {
    if (left_ == 0) left_ = host_->BarLeft();
    if (referenceWidth_ == 0) referenceWidth_ = clientWidth;
    // A container without width yet gives no proportion to keep.
    if (referenceWidth_ <= 0) return;
    ratio_ = static_cast<float>(left_) / static_cast<float>(referenceWidth_);
  }
  containerWidth_ = clientWidth;
  availHeight_ = clientHeight - heightOffset_;
  if (availHeight_ < top_) return;
  left_ = ClampLeft(static_cast<int>(std::lround(ratio_ * containerWidth_)));
  MovePanes(redraw);
}

void SplitterGeometry::BeginSplit(int x, int /*y*/) {
  if (!host_ || splitting_) return;
  if (!host_->BeginDrag()) return;
  splitting_ = true;
  savedLeft_ = left_;
  savedReferenceWidth_ = referenceWidth_;
  savedRatio_ = ratio_;
  referenceWidth_ = host_->ContainerClientWidth();
  ratio_ = 0;
  left_ = PointerLeft(x);
  if (!trackSplit_) host_->DrawOutline(OutlineRect());
}

void SplitterGeometry::MoveSplitter(int x, int /*y*/) {
  if (!host_ || !splitting_) return;
  if (trackSplit_) {
    left_ = PointerLeft(x);
    MovePanes(true);
    return;
  }
  host_->EraseOutline(OutlineRect());
  left_ = PointerLeft(x);
  host_->DrawOutline(OutlineRect());
}

void SplitterGeometry::EndSplit(int x, int /*y*/, bool redraw) {
  if (!host_ || !splitting_) return;
  host_->EndDrag();
  if (!trackSplit_) host_->EraseOutline(OutlineRect());
  left_ = PointerLeft(x);
  splitting_ = false;
  MovePanes(redraw);
}

void SplitterGeometry::CancelSplit() {
  if (!host_ || !splitting_) return;
  host_->EndDrag();
  if (!trackSplit_) host_->EraseOutline(OutlineRect());
  // Both kinds of drag leave no trace: the panes and the kept proportion are as before.
  left_ = savedLeft_;
  referenceWidth_ = savedReferenceWidth_;
  ratio_ = savedRatio_;
  if (trackSplit_) MovePanes(true);
  splitting_ = false;
}

int SplitterGeometry::ClampLeft(int left) const {
  left = std::max(left, minPane_);
  return std::min(left, containerWidth_ - (width_ + minPane_));
}

int SplitterGeometry::PointerLeft(int x) const {
  return ClampLeft(host_->BarLeft() + x);
}

SplitRect SplitterGeometry::OutlineRect() const {
  return {left_, top_, width_, availHeight_ - top_};
}

void SplitterGeometry::MovePanes(bool redraw) {
  const int height = std::max(0, availHeight_ - top_);
  const SplitRect leftPane{0, top_, std::max(0, left_ + edgeAdjust_), height};
  const SplitRect rightPane{left_ + width_ - edgeAdjust_, top_,
                            std::max(0, containerWidth_ - (left_ + width_) + edgeAdjust_), height};
  const SplitRect bar{left_, top_, width_, height};
  // Moving the pane that shrinks first keeps the two from being drawn over each other.
  if (left_ < lastLeft_) {
    host_->MoveLeftPane(leftPane, redraw);
    host_->MoveBar(bar, redraw);
    host_->MoveRightPane(rightPane, redraw);
  } else {
    host_->MoveRightPane(rightPane, redraw);
    host_->MoveBar(bar, redraw);
    host_->MoveLeftPane(leftPane, redraw);
  }
  lastLeft_ = left_;
}

}  // namespace tessaly
