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

// QProgressBar shows its busy animation when its range is empty.
bool Busy(const ProgressBar& bar) { return bar.maximum() == bar.minimum(); }

}  // namespace

TEST(ProgressBar, StartsEmptyWithRangeZeroToHundred) {
  ProgressBar bar;
  EXPECT_EQ(bar.Max(), 100.0f);
  EXPECT_EQ(bar.Value(), 0.0f);
  EXPECT_EQ(Filled(bar), 0.0);
  EXPECT_FALSE(Busy(bar));
  EXPECT_EQ(bar.focusPolicy(), Qt::NoFocus);
}

TEST(ProgressBar, FillsInProportionToValueOverMax) {
  ProgressBar bar;
  bar.SetMax(3);
  bar.SetValue(1);
  EXPECT_NEAR(Filled(bar), 1.0 / 3, 1e-3);
  bar.SetMax(200000);
  bar.SetValue(50000);
  EXPECT_NEAR(Filled(bar), 0.25, 1e-3);
  EXPECT_EQ(bar.Max(), 200000.0f);
  EXPECT_EQ(bar.Value(), 50000.0f);
}

TEST(ProgressBar, ZeroMaxShowsAnEmptyBarNeverTheBusyAnimation) {
  ProgressBar bar;
  bar.SetValue(40);
  bar.SetMax(0);
  EXPECT_FALSE(Busy(bar));
  EXPECT_EQ(Filled(bar), 0.0);
  bar.SetValue(5);
  EXPECT_FALSE(Busy(bar));
  EXPECT_EQ(Filled(bar), 0.0);
  EXPECT_EQ(bar.Max(), 0.0f);
}

TEST(ProgressBar, ValueAboveMaxShowsAFullBar) {
  ProgressBar bar;
  bar.SetMax(10);
  bar.SetValue(11);
  EXPECT_EQ(Filled(bar), 1.0);
  bar.SetValue(std::numeric_limits<float>::infinity());
  EXPECT_EQ(Filled(bar), 1.0);
  bar.SetMax(std::numeric_limits<float>::max());  // more than QProgressBar's int range
  bar.SetValue(std::numeric_limits<float>::max());
  EXPECT_EQ(Filled(bar), 1.0);
}

TEST(ProgressBar, NegativeOrUndefinedNumbersShowAnEmptyBar) {
  ProgressBar bar;
  bar.SetMax(10);
  for (float value : {-1.0f, -std::numeric_limits<float>::infinity(), std::nanf("")}) {
    bar.SetValue(value);
    EXPECT_EQ(Filled(bar), 0.0) << value;
  }
  bar.SetValue(5);
  bar.SetMax(std::nanf(""));
  EXPECT_EQ(Filled(bar), 0.0);
  EXPECT_FALSE(Busy(bar));
}
