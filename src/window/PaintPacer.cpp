#include "window/PaintPacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace window {

PaintPacer::PaintPacer(QWidget& window, std::function<void()> beforePaint)
    : QObject(&window), window_(window), beforePaint_(std::move(beforePaint)) {
  later_.setSingleShot(true);
  later_.setTimerType(Qt::PreciseTimer);
  // The repaint manager still counts the held-back request as sent; this one takes its place.
  connect(&later_, &QTimer::timeout, this, [this] {
    QCoreApplication::postEvent(&window_, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
  });
  window_.installEventFilter(this);
}

void PaintPacer::SetPaced(bool paced) {
  paced_ = paced;
  // An exposed window is painted without an update request; lay it out first all the same.
  if (paced && window_.windowHandle()) {
    window_.windowHandle()->removeEventFilter(this);
    window_.windowHandle()->installEventFilter(this);
  }
}

qint64 PaintPacer::FrameNanoseconds() const {
  const QScreen* screen = window_.screen();
  const qreal hertz = screen ? screen->refreshRate() : 60.0;
  return static_cast<qint64>(1e9 / std::clamp<qreal>(hertz, 24.0, 240.0));
}

bool PaintPacer::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && event->type() == QEvent::UpdateRequest) {
    if (paced_ && lastPaint_.isValid()) {
      const qint64 wait = FrameNanoseconds() - lastPaint_.nsecsElapsed();
      if (wait > 0) {
        if (!later_.isActive()) later_.start(static_cast<int>(wait / 1000000) + 1);
        return true;
      }
    }
    beforePaint_();
    lastPaint_.start();
  } else if (watched != &window_ && event->type() == QEvent::Expose) {
    beforePaint_();
  }
  return false;
}

}  // namespace window
