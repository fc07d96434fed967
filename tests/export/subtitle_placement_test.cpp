#include "export/subtitle_placement.h"

#include <gtest/gtest.h>

namespace {

using P = CommentPosition;

// A stage of 1000 x 300 pixels, lanes of 30, a 4 s crossing, 3 s fixed.
StageLayout Layout(int scrollBottom = 300, bool overlay = false) {
    StageLayout layout;
    layout.width = 1000;
    layout.scrollBottom = scrollBottom;
    layout.fixedBottom = 300;
    layout.gap = 10;
    layout.scrollTime = 400;
    layout.fixedTime = 300;
    layout.overlayWhenFull = overlay;
    return layout;
}

struct Row {
    P position;
    long long vpos;
    int width, lineHeight, lines;
    Placement::Result result;
    int y;
};

// Places the rows in order on one planner; each row's expectation holds
// after the rows before it.
void Expect(const StageLayout& layout, const std::vector<Row>& rows) {
    LanePlanner planner(layout);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        const Placement p = planner.Place(CommentBlock{r.vpos, r.position, r.width, r.lineHeight, r.lines});
        EXPECT_EQ(p.result, r.result) << "row " << i;
        if (p.result != Placement::LeftOut) {
            EXPECT_EQ(p.y, r.y) << "row " << i;
        }
    }
}

constexpr auto Free = Placement::Free;
constexpr auto Overlaid = Placement::Overlaid;
constexpr auto LeftOut = Placement::LeftOut;

TEST(LanePlanner, ScrollingFollowerWaitsForTheTailAndTheGap) {
    // Leader 200 wide from 0: its tail and the 10 px gap are in at 70
    // (without the gap it would be 67); a follower as wide never gains on it.
    Expect(Layout(), {{P::Scroll, 100, 200, 30, 1, Free, 0},
                      {P::Scroll, 169, 200, 30, 1, Free, 30},
                      {P::Scroll, 170, 200, 30, 1, Free, 0}});
}

TEST(LanePlanner, ScrollingFollowerMustNotCatchUpBeforeTheLeaderLeaves) {
    // A short slow leader and a long fast follower: the tail is in at 40, but
    // the follower would reach the leader unless it starts at 192 or later.
    Expect(Layout(), {{P::Scroll, 100, 100, 30, 1, Free, 0},
                      {P::Scroll, 200, 900, 30, 1, Free, 30},
                      {P::Scroll, 291, 900, 30, 1, Free, 60},
                      {P::Scroll, 292, 900, 30, 1, Free, 0}});
}

TEST(LanePlanner, FixedCommentsStackFromTheirEdgeUntilTheLaneEnds) {
    Expect(Layout(), {{P::Top, 0, 900, 30, 1, Free, 0},
                      {P::Top, 0, 10, 30, 1, Free, 30},
                      {P::Bottom, 0, 10, 30, 1, Free, 270},
                      {P::Bottom, 100, 10, 30, 1, Free, 240},
                      {P::Top, 299, 10, 30, 1, Free, 60},  // the first two still show
                      {P::Top, 300, 10, 30, 1, Free, 0},   // the first has ended
                      {P::Bottom, 300, 10, 30, 1, Free, 270}});
}

TEST(LanePlanner, BlocksTakeNeighbouringLanesAndSizesMix) {
    Expect(Layout(), {{P::Top, 0, 10, 30, 1, Free, 0},
                      {P::Top, 0, 10, 30, 3, Free, 30},  // rows 30 to 120
                      {P::Top, 0, 10, 30, 1, Free, 120},
                      {P::Bottom, 0, 10, 30, 3, Free, 210},  // rows 210 to 300
                      {P::Bottom, 0, 10, 30, 1, Free, 180},
                      {P::Scroll, 100, 10, 50, 1, Free, 0},   // a big one: rows 0 to 50
                      {P::Scroll, 100, 10, 30, 1, Free, 60},  // lanes of 30 meeting rows 0 to 50 are taken
                      {P::Scroll, 100, 10, 50, 2, Free, 100}});
}

TEST(LanePlanner, FullStageLeavesOutOrOverlaysOnTheLaneThatFreesSoonest) {
    const std::vector<Row> two = {{P::Scroll, 100, 500, 30, 1, Free, 0}, {P::Scroll, 100, 100, 30, 1, Free, 30}};
    std::vector<Row> rows = two;
    rows.push_back({P::Scroll, 100, 100, 30, 1, LeftOut, 0});
    rows.push_back({P::Top, 100, 100, 30, 1, Free, 0});        // fixed comments keep their own lanes
    rows.push_back({P::Scroll, 100, 100, 30, 3, LeftOut, 0});  // taller than the area
    Expect(Layout(60), rows);

    // The short one in lane 1 lets a follower in at 40, the long one at 136.
    rows = two;
    rows.push_back({P::Scroll, 100, 100, 30, 1, Overlaid, 30});
    rows.push_back({P::Scroll, 100, 100, 30, 3, Overlaid, 0});
    Expect(Layout(60, true), rows);
}

TEST(LanePlanner, TimesFromVpos) {
    LanePlanner planner(Layout());
    Placement p = planner.Place(CommentBlock{50, P::Scroll, 10, 30, 1});
    EXPECT_EQ(p.start, -50);  // enters before the video starts
    EXPECT_EQ(p.end, 350);
    p = planner.Place(CommentBlock{50, P::Bottom, 10, 30, 1});
    EXPECT_EQ(p.start, 50);
    EXPECT_EQ(p.end, 350);
}

TEST(ScrollX, FromTheRightEdgeToBeyondTheLeft) {
    const StageLayout layout = Layout();
    EXPECT_EQ(ScrollX(layout, 200, 400, 0, 0), 1000);
    EXPECT_EQ(ScrollX(layout, 200, 400, 0, 200), 400);
    EXPECT_EQ(ScrollX(layout, 200, 400, 0, 400), -200);
    EXPECT_EQ(ScrollX(layout, 200, 400, -50, 0), 850);
}

TEST(FittedFontSize, BlocksShrinkToFitTheirArea) {
    const StageLayout layout = Layout(150);
    const struct {
        P position;
        int lines, width, expected;
    } rows[] = {
        {P::Scroll, 1, 500, 30},  {P::Scroll, 5, 500, 30}, {P::Scroll, 10, 500, 15},  // 150 rows to scroll in
        {P::Top, 10, 500, 30},    {P::Top, 20, 500, 15},   {P::Bottom, 1, 2000, 15},  // wider than the stage
        {P::Scroll, 1, 2000, 30}, {P::Top, 20, 4000, 7},   {P::Top, 1000, 500, 1},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(FittedFontSize(layout, r.position, 30, r.lines, r.width), r.expected)
            << r.lines << " lines, " << r.width << " wide";
    }
}

}  // namespace
