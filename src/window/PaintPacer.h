#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

class QWidget;

namespace window {

// Paints a window at most once a frame of its screen while paced. An export changes the captions
// and the bar for every message, thousands of times a second; painting each change would cost more
// than the export itself, and no screen can show them anyway. The changes are kept, only their
// painting waits for the next frame. `beforePaint` runs before every paint of the window, paced or
// not, so what is painted is laid out first.
class PaintPacer : public QObject {
 public:
  PaintPacer(QWidget& window, std::function<void()> beforePaint);

  void SetPaced(bool paced);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  qint64 FrameNanoseconds() const;

  QWidget& window_;
  std::function<void()> beforePaint_;
  bool paced_ = false;
  QElapsedTimer lastPaint_;
  QTimer later_;
};

}  // namespace window
