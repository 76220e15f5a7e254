// The split container of the main window: the left pane, the bar and the
// right pane, arranged by a SplitterGeometry.
#pragma once

#include <QFrame>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "winsupport/splitter_geometry.h"

class QRubberBand;
class QWindow;

namespace tessaly {

class SplitPanes : public QWidget {
  Q_OBJECT

 public:
  explicit SplitPanes(QWidget* parent = nullptr);
  ~SplitPanes() override;

  // Puts the folder tree (left) and the file list (right) into the container with the bar between
  // them, the bar at its designed share of the container's width.
  void SetControls(QWidget* leftPane, QWidget* rightPane);
  SplitterGeometry& Geometry() { return geometry_; }
  QWidget* Bar() { return bar_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class Host;

  SplitterGeometry geometry_;
  QFrame* bar_;
  QRubberBand* outline_;
  // The window whose Escape cancels the drag in progress; none between drags.
  QPointer<QWindow> keyWindow_;
  std::unique_ptr<Host> host_;
};

}  // namespace tessaly
