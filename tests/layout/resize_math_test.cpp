#include "layout/resize_math.h"

#include <gtest/gtest.h>

namespace norvane::layout {
namespace {

const WindowSize kChildWindow{12000, 8100};

ControlMeasure ordinary(Twips top, Twips left, Twips height, Twips width, Twips rightMargin = 0)
{
    return {ControlKind::Ordinary, top, left, height, width, rightMargin};
}

ScaledMeasure all(Twips top, Twips left, Twips height, Twips width, Twips rightMargin)
{
    return {top, left, height, width, rightMargin};
}

TEST(ResizeMath, EnlargingTo24000By15800DoublesEveryMeasure)
{
    // (15800 - 400) / (8100 - 400) = 2 vertically, 24000 / 12000 = 2 across.
    EXPECT_EQ(scaleControl(ordinary(300, 120, 1000, 2400), kChildWindow, {24000, 15800}), all(600, 240, 2000, 4800, 0));
    EXPECT_EQ(scaleControl(ordinary(7695, 11985, 15, 15), kChildWindow, {24000, 15800}),
              all(15390, 23970, 30, 30, 0));
}

TEST(ResizeMath, UnevenRatiosRoundDownTowardMinusInfinity)
{
    // Vertically 8600 / 7700, across 13000 / 12000.
    const WindowSize current{13000, 9000};
    EXPECT_EQ(scaleControl(ordinary(1000, 1000, 7, 7), kChildWindow, current), all(1116, 1083, 7, 7, 0));
    // 1000 * 8600 / 7700 = 1116.88..., 1000 * 13000 / 12000 = 1083.33...
    // A control left of the window edge goes further left, never toward zero.
    EXPECT_EQ(scaleControl(ordinary(-1000, -100, 0, 0), kChildWindow, current), all(-1117, -109, 0, 0, 0));
    // Exact integer arithmetic: 7700 scales to exactly 8600, no 8599.
    EXPECT_EQ(*scaleControl(ordinary(7700, 0, 0, 0), kChildWindow, current).top, 8600);
}

TEST(ResizeMath, ShrinkingScalesDownAndTheWindowStopsAtHalf)
{
    // Vertically (4250 - 400) / 7700 = 1/2, across 6000 / 12000 = 1/2.
    EXPECT_EQ(scaleControl(ordinary(1001, 1001, 3001, 2999, 0), kChildWindow, {6000, 4250}),
              all(500, 500, 1500, 1499, 0));

    EXPECT_EQ(minimumWindowSize(kChildWindow), (WindowSize{6000, 4050}));
    EXPECT_EQ(clampToMinimum(kChildWindow, {5000, 9000}), (WindowSize{6000, 9000}));
    EXPECT_EQ(clampToMinimum(kChildWindow, {13000, 3000}), (WindowSize{13000, 4050}));
    EXPECT_EQ(clampToMinimum(kChildWindow, {6000, 4050}), (WindowSize{6000, 4050}));
    // Odd recorded sizes: the minimum is rounded up so the window is never below half.
    EXPECT_EQ(minimumWindowSize({7185, 6201}), (WindowSize{3593, 3101}));
}

TEST(ResizeMath, ResizingBackToTheRecordedSizeRestoresEveryValue)
{
    const ControlMeasure recorded = ordinary(4321, 765, 1234, 5678, 900);
    EXPECT_EQ(scaleControl(recorded, kChildWindow, kChildWindow), all(4321, 765, 1234, 5678, 900));
    EXPECT_EQ(scaleControl(recorded, {7185, 6200}, {7185, 6200}), all(4321, 765, 1234, 5678, 900));
}

TEST(ResizeMath, NoRatioMeansTheMeasureIsLeftAsItIs)
{
    // A window recorded at zero size: no ratio in either direction.
    EXPECT_EQ(scaleControl(ordinary(10, 20, 30, 40), {0, 0}, {12000, 8100}), ScaledMeasure{});
    EXPECT_EQ(clampToMinimum({0, 0}, {15, 15}), (WindowSize{15, 15}));
    // Only 400 twips high now (the old division by zero): vertical measures stay.
    const ScaledMeasure flat = scaleControl(ordinary(10, 20, 30, 40, 50), kChildWindow, {24000, 400});
    EXPECT_EQ(flat, (ScaledMeasure{std::nullopt, 40, std::nullopt, 80, std::nullopt}));
    // Below the allowance the ratio would be negative: also left alone.
    EXPECT_EQ(scaleControl(ordinary(10, 20, 30, 40), kChildWindow, {12000, 100}).height, std::nullopt);
    // Zero width now: horizontal measures stay.
    EXPECT_EQ(scaleControl(ordinary(10, 20, 30, 40), kChildWindow, {0, 15800}),
              (ScaledMeasure{20, std::nullopt, 60, std::nullopt, 0}));
}

TEST(ResizeMath, WindowsAndControlsBeyond32767TwipsScale)
{
    const WindowSize recorded{40000, 40400};
    EXPECT_EQ(scaleControl(ordinary(33000, 35000, 39000, 39990), recorded, {80000, 80400}),
              all(66000, 70000, 78000, 79980, 0));
    EXPECT_EQ(minimumWindowSize(recorded), (WindowSize{20000, 20200}));
    // A child window stretched across a very wide desktop.
    EXPECT_EQ(scaleControl(ordinary(0, 12000, 0, 6000), kChildWindow, {100000, 8100}), all(0, 100000, 0, 50000, 0));
}

TEST(ResizeMath, LinesImagesAndRightMargins)
{
    // A line scales its end points: Y1, X1, Y2, X2.
    const ControlMeasure line{ControlKind::Line, 1000, 500, 1000, 5500, 0};
    EXPECT_EQ(scaleControl(line, kChildWindow, {24000, 15800}),
              (ScaledMeasure{2000, 1000, 2000, 11000, std::nullopt}));

    // An image moves but keeps its size.
    const ControlMeasure image{ControlKind::Image, 300, 600, 480, 480, 0};
    EXPECT_EQ(scaleControl(image, kChildWindow, {24000, 15800}),
              (ScaledMeasure{600, 1200, std::nullopt, std::nullopt, std::nullopt}));

    // The right margin follows the vertical ratio (2), not the horizontal one (3).
    EXPECT_EQ(scaleControl(ordinary(0, 0, 0, 0, 3000), kChildWindow, {36000, 15800}).rightMargin, 6000);
    EXPECT_EQ(scaleControl(ordinary(0, 0, 0, 0, 0), kChildWindow, {36000, 15800}).rightMargin, 0);
}

TEST(ResizeMath, PixelsAndTwips)
{
    EXPECT_EQ(pixelsToTwips(800), 12000);
    EXPECT_EQ(pixelsToTwips(540), 8100);
    EXPECT_EQ(pixelsToTwips(-3), -45);
    EXPECT_EQ(twipsToPixels(7185), 479);
    EXPECT_EQ(twipsToPixels(22), 1);
    EXPECT_EQ(twipsToPixels(23), 2);
    EXPECT_EQ(twipsToPixels(-23), -2);
    EXPECT_EQ(twipsToPixels(15LL * 100000), 100000);
}

}  // namespace
}  // namespace norvane::layout
