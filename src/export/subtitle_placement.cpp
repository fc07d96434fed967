#include "export/subtitle_placement.h"

#include <algorithm>
#include <climits>

namespace {

long long FloorDiv(long long a, long long b) {
    const long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

long long CeilDiv(long long a, long long b) { return -FloorDiv(-a, b); }

}  // namespace

long long ScrollX(const StageLayout& layout, int width, long long scrollTime, long long start, long long t) {
    return layout.width - FloorDiv((static_cast<long long>(layout.width) + width) * (t - start), scrollTime);
}

Placement TimesOf(const StageLayout& layout, const CommentBlock& block) {
    Placement placement;
    if (block.position == CommentPosition::Scroll) {
        const long long crossing = block.duration > 0 ? block.duration : layout.scrollTime;
        placement.start = block.vpos - crossing / 4;
        placement.end = placement.start + crossing;
    } else {
        placement.start = block.vpos;
        placement.end = block.vpos + (block.duration > 0 ? block.duration : layout.fixedTime);
    }
    return placement;
}

int FittedFontSize(const StageLayout& layout, CommentPosition position, int size, int lines, int widthAtSize) {
    const int area = position == CommentPosition::Scroll ? layout.scrollBottom : layout.fixedBottom;
    long long fitted = size;
    if (lines > 0 && static_cast<long long>(lines) * size > area) fitted = area / lines;
    if (position != CommentPosition::Scroll && widthAtSize > layout.width) {
        fitted = std::min(fitted, static_cast<long long>(size) * layout.width / widthAtSize);
    }
    return static_cast<int>(std::max(1LL, fitted));
}

Placement LanePlanner::Place(const CommentBlock& block) {
    const bool scrolling = block.position == CommentPosition::Scroll;
    Placement placement = TimesOf(layout_, block);
    std::vector<Occupant>& occupants = scrolling ? scrolling_ : fixed_;
    occupants.erase(
        std::remove_if(occupants.begin(), occupants.end(), [&](const Occupant& o) { return o.end <= placement.start; }),
        occupants.end());

    const long long step = std::max(1, block.lineHeight);
    const long long height = step * std::max(1, block.lines);
    const long long area = scrolling ? layout_.scrollBottom : layout_.fixedBottom;
    const bool fromBottom = block.position == CommentPosition::Bottom;
    const long long base = fromBottom ? area - height : 0;  // the first lane's top
    const long long lanes = area >= height ? (area - height) / step + 1 : 0;
    auto laneTop = [&](long long k) { return fromBottom ? base - k * step : k * step; };

    // Both move left at their own speed, (stage + width) / own crossing time. A
    // lane is free for a scrolling block once the occupant's tail and the gap
    // have entered the stage, and once the block can no longer reach the
    // occupant before the occupant has left: both are lines in time, so
    // checking when the block enters and when the occupant leaves is enough.
    // How long before the occupant leaves the block may enter depends on the
    // block alone.
    const long long W = layout_.width, D = placement.end - placement.start, g = layout_.gap;
    const long long lead = scrolling && W - g > 0 ? FloorDiv((W - g) * D, W + block.width) : 0;

    // For every lane, the time it frees for this block.
    freeAt_.assign(static_cast<std::size_t>(lanes), LLONG_MIN);
    for (const Occupant& o : occupants) {
        // The earliest start at which the block may share rows with the occupant.
        const long long clear = scrolling ? std::min(o.end, std::max(o.entered, o.end - lead)) : o.end;
        if (clear <= placement.start) continue;
        long long first, last;  // the lanes whose rows meet the occupant's
        if (fromBottom) {
            first = FloorDiv(base - o.bottom, step) + 1;
            last = FloorDiv(base + height - o.top - 1, step);
        } else {
            first = FloorDiv(o.top - height, step) + 1;
            last = FloorDiv(o.bottom - 1, step);
        }
        first = std::max(first, 0LL);
        last = std::min(last, lanes - 1);
        for (long long k = first; k <= last; ++k) freeAt_[k] = std::max(freeAt_[k], clear);
    }

    long long chosen = -1;
    for (long long k = 0; k < lanes && chosen < 0; ++k) {
        if (freeAt_[k] <= placement.start) chosen = k;
    }
    if (chosen < 0) {
        if (!layout_.overlayWhenFull) {
            placement.result = Placement::LeftOut;
            return placement;
        }
        placement.result = Placement::Overlaid;
        chosen = 0;  // a block taller than its area goes at its edge
        for (long long k = 1; k < lanes; ++k) {
            if (freeAt_[k] < freeAt_[chosen]) chosen = k;
        }
    }
    placement.y = static_cast<int>(std::max(0LL, laneTop(chosen)));
    const long long entered = scrolling ? placement.start + CeilDiv((block.width + g) * D, W + block.width) : 0;
    occupants.push_back(
        Occupant{placement.y, static_cast<int>(placement.y + height), placement.start, placement.end, entered});
    return placement;
}
