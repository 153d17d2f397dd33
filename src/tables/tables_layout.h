#pragma once
// Where the table explorer's controls go at load, from the widths their
// captions need at the desktop's font: the designed arrangement, widened where
// a caption would not show whole. Plain arithmetic over pixel widths.
#include <vector>

namespace norvane {

struct Span {
    int left = 0;
    int width = 0;
    bool operator==(const Span&) const = default;
};

// Columns side by side in [left, left + available) with the gap between them.
// Each gets its need and the space left over is shared equally; when the needs
// do not fit, each gets a share of the space in proportion to its need.
std::vector<Span> sideBySide(int left, int available, const std::vector<int>& needs, int gap);

// Whether every column got at least its need.
bool everyNeedMet(const std::vector<Span>& spans, const std::vector<int>& needs);

// The narrowest width at which words of the given widths, separated by spaces of
// the given width, fit on two lines.
int twoLineNeed(const std::vector<int>& wordWidths, int spaceWidth);

// The width of the left side of the window: the designed width, or more when the
// statement options (two columns of options inside the frame, with its margins)
// need more. Never more than the half of the window.
int leftSideWidth(int designedWidth, int windowWidth, int leftOptionsNeed, int rightOptionsNeed, int margin);

}  // namespace norvane
