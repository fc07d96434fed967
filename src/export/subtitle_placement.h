// Where and when each comment shows on the subtitle's stage: lanes of the
// comment's line height, scrolling comments kept apart from each other, top
// and bottom comments kept apart from each other. Integer arithmetic only, so
// the same comments always land in the same places. Window-free.
#pragma once

#include <vector>

#include "export/subtitle_markup.h"

struct StageLayout {
    int width = 1920;
    int scrollBottom = 1080;     // scrolling comments use the rows above this
    int fixedBottom = 1080;      // top and bottom comments use the rows above this
    int gap = 0;                 // least pixels between two scrolling comments of a lane
    long long scrollTime = 400;  // hundredths of a second to cross the stage
    long long fixedTime = 300;   // hundredths of a second a top or bottom comment stays
    bool overlayWhenFull = false;
};

// One comment as placement sees it.
struct CommentBlock {
    long long vpos = 0;  // hundredths of a second
    CommentPosition position = CommentPosition::Scroll;
    int width = 0;       // the widest line, pixels
    int lineHeight = 1;  // pixels; the lane step
    int lines = 1;
    long long duration = 0;  // hundredths shown (fixed) or crossing (scrolling); 0 the layout's
};

struct Placement {
    enum Result { Free, Overlaid, LeftOut } result = Free;
    int y = 0;  // top of the block
    // A scrolling comment enters at the right edge at start and has left the
    // left edge at end; start lies a quarter of the crossing before its vpos
    // and may lie before the video's start. Others show from start to end.
    long long start = 0, end = 0;
};

// The left edge of a scrolling comment at time t (from stage width to -width)
// that crosses in scrollTime.
long long ScrollX(const StageLayout& layout, int width, long long scrollTime, long long start, long long t);

// When the block shows, wherever it goes: the start and end of its placement.
Placement TimesOf(const StageLayout& layout, const CommentBlock& block);

// The font size that lets a block fit its area: its lines within the area's
// height and, for a top or bottom comment, its width within the stage
// (widthAtSize measured at size). Never below 1.
int FittedFontSize(const StageLayout& layout, CommentPosition position, int size, int lines, int widthAtSize);

// Places comments one by one; they must come in order of vpos.
class LanePlanner {
public:
    explicit LanePlanner(const StageLayout& layout) : layout_(layout) {}
    Placement Place(const CommentBlock& block);

private:
    struct Occupant {
        int top, bottom;
        long long start, end;
        long long entered;  // scrolling: when its tail and the gap are in
    };

    StageLayout layout_;
    std::vector<Occupant> scrolling_;
    std::vector<Occupant> fixed_;
    std::vector<long long> freeAt_;  // per candidate lane, reused
};
