#include "window/AutoSizeLabel.h"

#include <algorithm>

namespace window {

AutoSizeLabel::AutoSizeLabel(const QString& text, Qt::Alignment alignment, QWidget* parent)
    : QLabel(parent) {
  // Subjects and message IDs come from mail: never interpret them as markup.
  setTextFormat(Qt::PlainText);
  setAlignment(alignment | Qt::AlignTop);
  SetCaption(text);
}

void AutoSizeLabel::Place(const QRect& design) {
  design_ = design;
  FitToText();
}

void AutoSizeLabel::SetCaption(const QString& text) {
  setText(text);
  // A label with an accessible name of its own no longer reads out its text; this keeps it heard.
  setAccessibleDescription(text);
  if (deferred_)
    pending_ = true;
  else
    FitToText();
}

void AutoSizeLabel::SetFitDeferred(bool deferred) {
  deferred_ = deferred;
  if (!deferred) FitIfPending();
}

void AutoSizeLabel::FitIfPending() {
  if (pending_) FitToText();
}

void AutoSizeLabel::FitToText() {
  pending_ = false;
  const QSize size = sizeHint();
  int left = design_.left();
  if (alignment() & Qt::AlignRight)
    left = std::max(0, design_.left() + design_.width() - size.width());
  setGeometry(left, design_.top(), size.width(), size.height());
}

}  // namespace window
