#pragma once

#include <QLabel>
#include <QRect>
#include <QString>

namespace window {

// A label that sizes itself to its text whenever the text changes. Its top edge never moves. A
// left-aligned label keeps its left edge and grows to the right (past the window's edge if it must,
// where it is cut off). A right-aligned label keeps its right edge, so its text stays flush with
// the control it names or sits under; it grows to the left, but never past the window's left edge.
class AutoSizeLabel : public QLabel {
 public:
  AutoSizeLabel(const QString& text, Qt::Alignment alignment, QWidget* parent);

  // Puts the label where the design has it; only the top and the kept edge are taken from `design`.
  void Place(const QRect& design);

  void SetCaption(const QString& text);

  // While deferred, a new caption is shown at once but the label is sized to it only by
  // FitIfPending(), which the window calls before it paints: during an export the caption
  // changes far more often than the window is painted.
  void SetFitDeferred(bool deferred);
  void FitIfPending();

 private:
  void FitToText();

  QRect design_;
  bool deferred_ = false;
  bool pending_ = false;
};

}  // namespace window
