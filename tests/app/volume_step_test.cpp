// The volume keys' steps and the display's percentage, on the ranges mixers report.
#include "mixer/volume_step.h"

#include <gtest/gtest.h>

namespace {

TEST(VolumeStep, SixteenStepsCrossTheRangeAndClampAtItsEnds) {
  struct Case {
    DWORD current, minimum, maximum;
    bool up;
    DWORD after;
  } cases[] = {
      {0xC000, 0, 0xFFFF, true, 0xD000},
      {0xC000, 0, 0xFFFF, false, 0xB000},
      {0xF800, 0, 0xFFFF, true, 0xFFFF},
      {0x0800, 0, 0xFFFF, false, 0},
      {0xFFFF, 0, 0xFFFF, true, 0xFFFF},
      {0, 0, 0xFFFF, false, 0},
      {50, 0, 100, true, 57},
      {3, 0, 10, true, 4},
      {200, 100, 300, false, 187},
      {5, 100, 300, true, 113},
      {0xFFFFFFFF, 0, 0xFFFFFFFF, true, 0xFFFFFFFF},
      {0xFFFFFFF0, 0, 0xFFFFFFFF, true, 0xFFFFFFFF},
      {0x10000000, 0, 0xFFFFFFFF, false, 0},
      {7, 7, 7, true, 7},
      {5, 9, 3, true, 5},  // bounds the wrong way round: left alone
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.after, tavos::VolumeAfterStep(c.current, c.minimum, c.maximum, c.up))
        << c.current << " in " << c.minimum << ".." << c.maximum << (c.up ? " up" : " down");
  DWORD value = 0;
  int presses = 0;
  for (; value < 0xFFFF; ++presses) value = tavos::VolumeAfterStep(value, 0, 0xFFFF, true);
  EXPECT_EQ(16, presses);
}

TEST(VolumeStep, PercentRoundsToTheNearest) {
  EXPECT_EQ(75, tavos::VolumePercent(0xC000, 0, 0xFFFF));
  EXPECT_EQ(0, tavos::VolumePercent(0, 0, 0xFFFF));
  EXPECT_EQ(100, tavos::VolumePercent(0xFFFF, 0, 0xFFFF));
  EXPECT_EQ(1, tavos::VolumePercent(0x0148, 0, 0xFFFF));
  EXPECT_EQ(50, tavos::VolumePercent(200, 100, 300));
  EXPECT_EQ(100, tavos::VolumePercent(0xFFFFFFFF, 0, 0xFFFFFFFF));
  EXPECT_EQ(0, tavos::VolumePercent(3, 5, 10));
  EXPECT_EQ(100, tavos::VolumePercent(4, 4, 4));
}

}  // namespace
