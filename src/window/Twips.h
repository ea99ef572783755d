#pragma once

#include <QPaintDevice>
#include <QRect>
#include <cmath>

namespace window {

inline constexpr int kTwipsPerInch = 1440;

// One coordinate in twips as device-independent pixels at the given logical DPI.
inline int TwipsToPixels(int twips, int dpi) {
  return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / kTwipsPerInch));
}

// A rectangle given in twips, converted at `device`'s logical DPI. The edges are converted rather
// than the size, so controls that touch or line up in twips still do after rounding.
inline QRect TwipsRect(const QPaintDevice& device, int left, int top, int width, int height) {
  const int x = TwipsToPixels(left, device.logicalDpiX());
  const int y = TwipsToPixels(top, device.logicalDpiY());
  return QRect(x, y, TwipsToPixels(left + width, device.logicalDpiX()) - x,
               TwipsToPixels(top + height, device.logicalDpiY()) - y);
}

}  // namespace window
