#include "window/ProgressBar.h"

#include <algorithm>
#include <cmath>

namespace window {

namespace {
// QProgressBar counts in ints and treats an empty range as "busy", so the bar is driven in fixed
// steps of the fraction done; fine enough for any bar a screen can show.
constexpr int kSteps = 10000;
}  // namespace

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
  setRange(0, kSteps);
  setTextVisible(false);
  setFocusPolicy(Qt::NoFocus);
  Show();
}

void ProgressBar::SetMax(float max) {
  max_ = max;
  Show();
}

void ProgressBar::SetValue(float value) {
  value_ = value;
  Show();
}

void ProgressBar::Show() {
  double done = 0;  // nothing to do, or nonsense (NaN, negative): an empty bar
  if (max_ > 0 && value_ > 0) done = std::min(1.0, static_cast<double>(value_) / max_);
  setValue(static_cast<int>(std::lround(done * kSteps)));
}

}  // namespace window
