#pragma once

#include <QProgressBar>

namespace window {

// The export's progress bar. Maximum and position are single-precision numbers, as the export
// computes them; the bar never fails on them and never shows a position outside its range:
// a maximum of 0 (or less) shows an empty bar, never Qt's busy animation, and a position above
// the maximum shows a full bar. Minimum is always 0.
class ProgressBar : public QProgressBar {
  Q_OBJECT

 public:
  explicit ProgressBar(QWidget* parent = nullptr);

  void SetMax(float max);
  void SetValue(float value);

  // The values last set, exactly as given.
  float Max() const { return max_; }
  float Value() const { return value_; }

 private:
  void Show();

  float max_ = 100;
  float value_ = 0;
};

}  // namespace window
