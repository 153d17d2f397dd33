#pragma once
// The arithmetic of proportional resizing, free of any widget: every value is
// in twips and held in 64-bit integers, so windows and controls far beyond
// 32,767 twips scale correctly.
#include <cstdint>
#include <optional>

namespace norvane::layout {

using Twips = std::int64_t;

// 15 twips make one pixel at 96 dots per inch (1440 twips per inch).
inline constexpr Twips kTwipsPerPixel = 15;

// Height taken off both the recorded and the current window height before the
// vertical ratio is formed: the room of the window's caption bar.
inline constexpr Twips kCaptionAllowance = 400;

Twips pixelsToTwips(int pixels);
// Nearest whole pixel.
int twipsToPixels(Twips twips);

struct WindowSize {
    Twips width = 0;
    Twips height = 0;
    friend bool operator==(const WindowSize&, const WindowSize&) = default;
};

enum class ControlKind {
    Ordinary,  // Top, Left, Height, Width and RightMargin all scale
    Image,     // moved, never sized
    Line,      // end points: Top = Y1, Left = X1, Height = Y2, Width = X2
};

// One control's recorded measures. For a line the four slots hold its end points.
struct ControlMeasure {
    ControlKind kind = ControlKind::Ordinary;
    Twips top = 0;
    Twips left = 0;
    Twips height = 0;
    Twips width = 0;
    Twips rightMargin = 0;
};

// A control's new measures; an empty slot is left as it is (no ratio could be
// formed in that direction, or the kind of control does not size that way).
struct ScaledMeasure {
    std::optional<Twips> top;
    std::optional<Twips> left;
    std::optional<Twips> height;
    std::optional<Twips> width;
    std::optional<Twips> rightMargin;
    friend bool operator==(const ScaledMeasure&, const ScaledMeasure&) = default;
};

// The smallest window the layout allows: half the recorded size, rounded up
// so the window is never below half.
WindowSize minimumWindowSize(WindowSize recorded);

// The current size with each side raised to the minimum where it is below it.
WindowSize clampToMinimum(WindowSize recorded, WindowSize current);

// A control's measures for the current window size: each recorded value is
// divided by the ratio recorded ÷ current (vertically with the caption
// allowance taken off both heights) and rounded down.
ScaledMeasure scaleControl(const ControlMeasure& recorded, WindowSize recordedWindow, WindowSize currentWindow);

}  // namespace norvane::layout
