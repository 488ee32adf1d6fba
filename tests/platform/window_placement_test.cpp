// Fitting a top-level window to a display's usable area.
#include <gtest/gtest.h>

#include "platform/backend.h"

namespace vk::platform {
namespace {

void expectRect(const RECT& r, LONG left, LONG top, LONG right, LONG bottom) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, bottom);
}

TEST(WindowPlacement, TooLargeWindowShrinksToTheUsableArea) {
  // 1484 x 821 centred on a 1280 x 720 display starts at (-102, -50).
  expectRect(clampWindowToBounds(RECT{-102, -50, 1382, 771}, RECT{0, 0, 1280, 720}), 0, 0, 1280, 720);
  // A panel above the usable area and a second display to its right.
  expectRect(clampWindowToBounds(RECT{1800, 0, 3400, 1000}, RECT{1920, 28, 3200, 1080}), 1920, 28, 3200, 1028);
}

TEST(WindowPlacement, FittingWindowMovesTheLeastDistanceInside) {
  const RECT bounds{0, 30, 1600, 900};
  expectRect(clampWindowToBounds(RECT{58, 40, 1542, 861}, bounds), 58, 40, 1542, 861);
  expectRect(clampWindowToBounds(RECT{-20, 0, 480, 400}, bounds), 0, 30, 500, 430);
  expectRect(clampWindowToBounds(RECT{1500, 880, 2000, 1280}, bounds), 1100, 500, 1600, 900);
}

TEST(WindowPlacement, EmptyBoundsLeaveTheWindowAlone) {
  expectRect(clampWindowToBounds(RECT{-5, -5, 100, 100}, RECT{0, 0, 0, 720}), -5, -5, 100, 100);
  expectRect(clampWindowToBounds(RECT{-5, -5, 100, 100}, RECT{10, 10, 10, 5}), -5, -5, 100, 100);
}

}  // namespace
}  // namespace vk::platform
