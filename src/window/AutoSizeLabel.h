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

 private:
  void FitToText();

  QRect design_;
};

}  // namespace window
