// The arithmetic of the main window's place and size.
#include "app/WindowGeometry.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowGeometry, CentringHalvesTheDifferenceTruncatingTowardZero) {
  EXPECT_EQ(app::CentredOffset(1024, 285), 369);
  EXPECT_EQ(app::CentredOffset(280, 285), -2) << "-5 gives -2, not -3";
  EXPECT_EQ(app::CentredOffset(0, 285), -142);
}

TEST(WindowGeometry, ScalingRoundsToTheNearestWithHalvesAwayFromZero) {
  EXPECT_EQ(app::MulDiv(5, 1, 2), 3);
  EXPECT_EQ(app::MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(app::MulDiv(-7, 2, 3), -5);
  EXPECT_EQ(app::MulDiv(4, 1, 3), 1);
  EXPECT_EQ(app::FontPixelsForScreen(11, 96), 11);
  EXPECT_EQ(app::FontPixelsForScreen(11, 120), 14);
  EXPECT_EQ(app::FontPixelsForScreen(11, 144), 17) << "16.5 rounds up";
  EXPECT_EQ(app::LayoutScale(13, 13)(279), 279);
  EXPECT_EQ(app::LayoutScale(16, 13)(279), 343);
  EXPECT_EQ(app::LayoutScale(16, 13)(370), 455);
  EXPECT_EQ(app::LayoutScale(12, 13)(337), 311);
}

}  // namespace
