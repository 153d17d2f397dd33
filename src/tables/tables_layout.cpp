#include "tables/tables_layout.h"

#include <algorithm>
#include <numeric>

namespace norvane {

std::vector<Span> sideBySide(int left, int available, const std::vector<int>& needs, int gap)
{
    std::vector<Span> spans;
    if (needs.empty())
        return spans;
    const int count = static_cast<int>(needs.size());
    const int room = std::max(0, available - gap * (count - 1));
    const long long total = std::accumulate(needs.begin(), needs.end(), 0LL);
    std::vector<int> widths(needs.size());
    if (total <= room) {
        const int extra = static_cast<int>((room - total) / count);
        for (std::size_t index = 0; index < needs.size(); ++index)
            widths[index] = needs[index] + extra;
    } else {
        for (std::size_t index = 0; index < needs.size(); ++index)
            widths[index] = total > 0 ? static_cast<int>(static_cast<long long>(room) * needs[index] / total) : 0;
    }
    // The last column ends at the right edge whatever the rounding left over.
    int position = left;
    for (std::size_t index = 0; index < needs.size(); ++index) {
        const bool last = index + 1 == needs.size();
        const int width = last ? std::max(0, left + available - position) : widths[index];
        spans.push_back({position, width});
        position += width + gap;
    }
    return spans;
}

bool everyNeedMet(const std::vector<Span>& spans, const std::vector<int>& needs)
{
    if (spans.size() != needs.size())
        return false;
    for (std::size_t index = 0; index < spans.size(); ++index) {
        if (spans[index].width < needs[index])
            return false;
    }
    return true;
}

int twoLineNeed(const std::vector<int>& wordWidths, int spaceWidth)
{
    const auto lineWidth = [&](std::size_t first, std::size_t end) {
        int width = 0;
        for (std::size_t index = first; index < end; ++index)
            width += wordWidths[index] + (index > first ? spaceWidth : 0);
        return width;
    };
    int best = lineWidth(0, wordWidths.size());
    for (std::size_t split = 1; split < wordWidths.size(); ++split)
        best = std::min(best, std::max(lineWidth(0, split), lineWidth(split, wordWidths.size())));
    return best;
}

int leftSideWidth(int designedWidth, int windowWidth, int leftOptionsNeed, int rightOptionsNeed, int margin)
{
    const int frameNeed = margin + leftOptionsNeed + margin + rightOptionsNeed + margin;
    return std::min(std::max(designedWidth, frameNeed), windowWidth / 2);
}

}  // namespace norvane
