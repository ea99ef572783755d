#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "window/ProgressBar.h"

using window::ProgressBar;

namespace {

// How much of the bar is filled, 0 to 1, as QProgressBar will paint it.
double Filled(const ProgressBar& bar) {
  return double(bar.value() - bar.minimum()) / (bar.maximum() - bar.minimum());
}

}  // namespace

// Whichever of Max and Value is set last.
TEST(ProgressBar, FillsValueOverMaxFromEmptyToFullAndNeverShowsTheBusyAnimation) {
  EXPECT_EQ(Filled(ProgressBar()), 0.0);
  const float inf = std::numeric_limits<float>::infinity(), nan = std::nanf("");
  const float huge = std::numeric_limits<float>::max();  // beyond QProgressBar's int range
  const struct {
    float max, value;
    double filled;
  } cases[] = {{3, 1, 1.0 / 3}, {200000, 50000, 0.25}, {0, 0, 0},       {0, 40, 0},
               {10, 11, 1},     {10, inf, 1},          {huge, huge, 1}, {10, -1, 0},
               {10, -inf, 0},   {10, nan, 0},          {nan, 5, 0}};
  for (const auto& [max, value, filled] : cases) {
    ProgressBar maxFirst, valueFirst;
    maxFirst.SetMax(max);
    maxFirst.SetValue(value);
    valueFirst.SetValue(value);
    valueFirst.SetMax(max);
    for (const ProgressBar* bar : {&maxFirst, &valueFirst}) {
      EXPECT_NEAR(Filled(*bar), filled, 1e-3) << value << " of " << max;
      EXPECT_NE(bar->maximum(), bar->minimum()) << "an empty range shows the busy animation";
    }
  }
}
