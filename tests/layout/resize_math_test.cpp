#include "layout/resize_math.h"

#include <gtest/gtest.h>

#include <string>

namespace norvane::layout {
namespace {

const WindowSize kChild{12000, 8100};
constexpr auto kOrdinary = ControlKind::Ordinary;

// The scaled measure as "top left height width rightMargin", "-" for a value left as it is.
std::string text(const ScaledMeasure& m)
{
    std::string out;
    for (const std::optional<Twips>& value : {m.top, m.left, m.height, m.width, m.rightMargin})
        out += (out.empty() ? "" : " ") + (value ? std::to_string(*value) : std::string("-"));
    return out;
}

TEST(ResizeMath, ScalesEachKindOfControlBetweenWindowSizes)
{
    struct Case {
        const char* name;
        ControlMeasure control;
        WindowSize recorded, current;
        const char* expected;
    } cases[] = {
        // (15800 - 400) / (8100 - 400) = 2 vertically, 24000 / 12000 = 2 across.
        {"doubled", {kOrdinary, 300, 120, 1000, 2400, 0}, kChild, {24000, 15800}, "600 240 2000 4800 0"},
        // 1000 * 8600 / 7700 = 1116.88, 1000 * 13000 / 12000 = 1083.33: rounded down.
        {"uneven", {kOrdinary, 1000, 1000, 7, 7, 0}, kChild, {13000, 9000}, "1116 1083 7 7 0"},
        {"negative", {kOrdinary, -1000, -100, 0, 0, 0}, kChild, {13000, 9000}, "-1117 -109 0 0 0"},
        {"exact", {kOrdinary, 7700, 0, 0, 0, 0}, kChild, {13000, 9000}, "8600 0 0 0 0"},
        {"odd size", {kOrdinary, 4321, 765, 1234, 5678, 900}, {7185, 6200}, {7185, 6200}, "4321 765 1234 5678 900"},
        {"zero size", {kOrdinary, 10, 20, 30, 40, 0}, {0, 0}, {12000, 8100}, "- - - - -"},
        {"caption", {kOrdinary, 10, 20, 30, 40, 50}, kChild, {24000, 400}, "- 40 - 80 -"},
        {"below", {kOrdinary, 10, 20, 30, 40, 0}, kChild, {12000, 100}, "- 20 - 40 -"},
        {"zero width", {kOrdinary, 10, 20, 30, 40, 0}, kChild, {0, 15800}, "20 - 60 - 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(text(scaleControl(c.control, c.recorded, c.current)), c.expected);
    }
}

TEST(ResizeMath, TheWindowStopsAtHalfAndPixelsConvertToTwips)
{
    EXPECT_EQ(minimumWindowSize(kChild), (WindowSize{6000, 4050}));
    EXPECT_EQ(minimumWindowSize({7185, 6201}), (WindowSize{3593, 3101})); // rounded up, never below half
    EXPECT_EQ(minimumWindowSize({40000, 40400}), (WindowSize{20000, 20200}));
    EXPECT_EQ(clampToMinimum(kChild, {5000, 9000}), (WindowSize{6000, 9000}));
    EXPECT_EQ(clampToMinimum(kChild, {13000, 3000}), (WindowSize{13000, 4050}));
    EXPECT_EQ(clampToMinimum(kChild, {6000, 4050}), (WindowSize{6000, 4050}));
    EXPECT_EQ(clampToMinimum({0, 0}, {15, 15}), (WindowSize{15, 15}));

    const std::pair<int, Twips> pixels[] = {{800, 12000}, {540, 8100}, {-3, -45}};
    for (const auto& [pixel, twips] : pixels)
        EXPECT_EQ(pixelsToTwips(pixel), twips);
    const std::pair<Twips, int> twips[] = {{7185, 479}, {22, 1}, {23, 2}, {-23, -2}, {1500000, 100000}};
    for (const auto& [twip, pixel] : twips)
        EXPECT_EQ(twipsToPixels(twip), pixel) << twip;
}

} // namespace
} // namespace norvane::layout
