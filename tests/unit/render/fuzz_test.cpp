// Random arguments from the whole 32-bit range: nothing may write outside the
// pixel block (the sanitizer build catches that) or into row padding, and
// nothing may be undefined (UBSan).

#include <gtest/gtest.h>

#include <random>

#include "surface_probe.h"

namespace {

constexpr int kMin = -2147483647 - 1;
constexpr int kMax = 2147483647;

// Mostly values near the surface, where the interesting clamping happens,
// with a good share of extremes.
struct ArgumentSource {
  std::mt19937 random{0xC0FFEE};

  int Any() {
    switch (std::uniform_int_distribution<int>(0, 5)(random)) {
      case 0: return std::uniform_int_distribution<int>(kMin, kMax)(random);
      case 1: return std::uniform_int_distribution<int>(0, 1)(random) ? kMax : kMin;
      case 2: return kMax - std::uniform_int_distribution<int>(0, 3)(random);
      default: return std::uniform_int_distribution<int>(-40, 60)(random);
    }
  }
  int Near() { return std::uniform_int_distribution<int>(-40, 60)(random); }
};

TEST(Fuzz, PlotSpanStaysInsideThePixelsOfEveryRow) {
  ArgumentSource args;
  for (int round = 0; round < 300; ++round) {
    const int width = std::uniform_int_distribution<int>(1, 23)(args.random);
    const int height = std::uniform_int_distribution<int>(1, 17)(args.random);
    TWin s(width, height);
    for (int i = 0; i < 60; ++i) {
      s.PlotSpan(args.Any(), args.Any(), args.Any(), args.Any(), args.Any(), args.Any(), args.Any(),
                 args.Any());
    }
    ASSERT_TRUE(probe::PaddingIsZero(s)) << width << " x " << height;
  }
}

TEST(Fuzz, BlendChannelIsDefinedForAnyArguments) {
  ArgumentSource args;
  for (int i = 0; i < 200000; ++i) {
    const int old = args.Any(), fresh = args.Any(), weight = args.Any(), clamp = args.Any();
    const int result = BlendChannel(old, fresh, weight, clamp);
    if (clamp >= 1 && old >= 0 && old <= 255) {
      // A clamped blend of a real byte is a byte.
      ASSERT_GE(result, 0);
      ASSERT_LE(result, 255);
    }
  }
}

TEST(Fuzz, FillGradientStaysInsideThePixelsOfEveryRow) {
  ArgumentSource args;
  for (int round = 0; round < 400; ++round) {
    const int width = std::uniform_int_distribution<int>(1, 23)(args.random);
    const int height = std::uniform_int_distribution<int>(1, 17)(args.random);
    TWin s(width, height);
    // The walking edges stay near the surface, so that a call walks at most a
    // few hundred lines; the other values range over all 32 bits.
    const int style = std::uniform_int_distribution<int>(-1, 6)(args.random);
    int left = args.Near(), top = args.Near(), right = args.Near(), bottom = args.Near();
    if (style <= 2) {
      top = args.Any();
      bottom = args.Any();
    } else if (style <= 5) {
      left = args.Any();
      right = args.Any();
    }
    if (round % 5 == 0) left = -1 - std::uniform_int_distribution<int>(0, 9)(args.random);
    try {
      s.FillGradient(args.Any(), args.Any(), args.Any(), args.Any(), args.Any(), args.Any(), style,
                     args.Any(), left, top, right, bottom);
    } catch (const FloatingPointError&) {
      // A zero extent; checked in its own tests.
    }
    ASSERT_TRUE(probe::PaddingIsZero(s)) << width << " x " << height << " style " << style;
  }
}

}  // namespace
