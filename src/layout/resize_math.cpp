#include "layout/resize_math.h"

#include <cmath>

namespace norvane::layout {

namespace {

// value ÷ (denominator ÷ numerator), done exactly in integers: value × numerator ÷
// denominator, rounded toward minus infinity like the classic Int().
// Widget measures stay below 2^24 pixels, so the product cannot overflow.
Twips scaleDown(Twips value, Twips numerator, Twips denominator)
{
    const Twips product = value * numerator;
    Twips quotient = product / denominator;
    if ((product % denominator != 0) && ((product < 0) != (denominator < 0)))
        --quotient;
    return quotient;
}

// A ratio between a recorded and a current length. Lengths of zero or below
// give no ratio at all: the old code divided by zero there (and skipped the
// step), and a negative ratio would turn controls inside out.
struct Proportion {
    Twips recorded = 0;
    Twips current = 0;
    bool usable() const { return recorded > 0 && current > 0; }
    std::optional<Twips> apply(Twips value) const
    {
        if (!usable())
            return std::nullopt;
        return scaleDown(value, current, recorded);
    }
};

}  // namespace

Twips pixelsToTwips(int pixels)
{
    return static_cast<Twips>(pixels) * kTwipsPerPixel;
}

int twipsToPixels(Twips twips)
{
    return static_cast<int>(std::llround(static_cast<double>(twips) / static_cast<double>(kTwipsPerPixel)));
}

WindowSize minimumWindowSize(WindowSize recorded)
{
    auto halfUp = [](Twips v) { return v > 0 ? (v + 1) / 2 : 0; };
    return {halfUp(recorded.width), halfUp(recorded.height)};
}

WindowSize clampToMinimum(WindowSize recorded, WindowSize current)
{
    const WindowSize minimum = minimumWindowSize(recorded);
    if (current.width < minimum.width)
        current.width = minimum.width;
    if (current.height < minimum.height)
        current.height = minimum.height;
    return current;
}

ScaledMeasure scaleControl(const ControlMeasure& recorded, WindowSize recordedWindow, WindowSize currentWindow)
{
    const Proportion vertical{recordedWindow.height - kCaptionAllowance, currentWindow.height - kCaptionAllowance};
    const Proportion horizontal{recordedWindow.width, currentWindow.width};

    ScaledMeasure scaled;
    scaled.top = vertical.apply(recorded.top);
    scaled.left = horizontal.apply(recorded.left);
    switch (recorded.kind) {
    case ControlKind::Line:
        scaled.height = vertical.apply(recorded.height);  // Y2
        scaled.width = horizontal.apply(recorded.width);  // X2
        break;
    case ControlKind::Image:
        break;
    case ControlKind::Ordinary:
        scaled.height = vertical.apply(recorded.height);
        scaled.width = horizontal.apply(recorded.width);
        // The rich-text right margin follows the vertical ratio, as it always has.
        scaled.rightMargin = vertical.apply(recorded.rightMargin);
        break;
    }
    return scaled;
}

}  // namespace norvane::layout
