// The peaks' rule and the graph's layout by example; the figures are counted
// from real files in graph_export_test, and the rules are fuzzed with their
// properties in comment_graph_fuzz.
#include "export/comment_graph.h"

#include <gtest/gtest.h>

#include "export/graph_layout.h"

namespace {

std::vector<std::uint32_t> Curve(std::size_t seconds, std::initializer_list<std::pair<std::size_t, std::uint32_t>> at) {
    std::vector<std::uint32_t> curve(seconds);
    for (const auto& point : at) curve[point.first] = point.second;
    return curve;
}

std::vector<std::pair<std::size_t, std::uint32_t>> Peaks(const std::vector<std::uint32_t>& curve) {
    std::vector<std::pair<std::size_t, std::uint32_t>> out;
    for (const GraphPeak& peak : FindPeaks(curve)) out.emplace_back(peak.second, peak.count);
    return out;
}

TEST(GraphPeaks, HighestCrestsTenSecondsApart) {
    using P = std::vector<std::pair<std::size_t, std::uint32_t>>;
    // A crest 9 seconds from a higher one is part of it; 10 seconds away it is a peak of its own.
    EXPECT_EQ(Peaks(Curve(40, {{5, 8}, {14, 7}, {30, 6}})), (P{{5, 8}, {30, 6}}));
    EXPECT_EQ(Peaks(Curve(40, {{5, 8}, {15, 7}, {30, 6}})), (P{{5, 8}, {15, 7}, {30, 6}}));
    // A plateau is one peak, at its first second; equal peaks rank by time.
    std::vector<std::uint32_t> plateau(60, 0);
    for (std::size_t s = 20; s < 45; ++s) plateau[s] = 4;
    plateau[50] = 4;
    EXPECT_EQ(Peaks(plateau), (P{{20, 4}}));
    EXPECT_EQ(Peaks(Curve(80, {{70, 3}, {10, 3}, {40, 3}})), (P{{10, 3}, {40, 3}, {70, 3}}));
    // Five at most, highest first; seconds without comments are never peaks.
    EXPECT_EQ(Peaks(Curve(100, {{0, 1}, {10, 2}, {20, 6}, {30, 3}, {40, 5}, {50, 4}, {99, 9}})),
              (P{{99, 9}, {20, 6}, {40, 5}, {50, 4}, {30, 3}}));
    EXPECT_EQ(Peaks(std::vector<std::uint32_t>(30, 0)), P{});
    EXPECT_EQ(GraphTimeText(3600 * 25 + 61), "25:01:01");  // from an hour on, with hours
}

const LabelWidth kSixPerCharacter = [](const std::wstring& label) { return 6 * static_cast<int>(label.size()); };

TEST(GraphLayout, Scales) {
    // A column shows the highest of its seconds, and one comment is never invisible.
    EXPECT_EQ(ColumnCounts({1, 0, 7, 2, 0, 0, 5, 0, 0, 9}, 10, 3), (std::vector<std::uint32_t>{7, 2, 9}));
    EXPECT_EQ(FillHeight(1, 5000, 100), 1);

    struct Case {
        std::size_t seconds;
        int width;
        std::size_t step;
        const wchar_t* secondLabel;
    } cases[] = {
        {725, 1280, 60, L"1分"},           // a 12-minute video
        {725, 300, 120, L"2分"},           // narrower: fewer ticks
        {24 * 3600, 1280, 3600, L"60分"},  // a day's stream
        {90, 1280, 5, L"0:05"},            // shorter than three minutes: seconds
        {4, 1280, 1, L"0:01"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TickStep(c.seconds, c.width, kSixPerCharacter), c.step) << c.seconds << " " << c.width;
        EXPECT_EQ(TickLabel(c.step, c.step), c.secondLabel);
    }
}

TEST(GraphLayout, PeakLabelsNeverCoverEachOther) {
    GraphFigures figures;
    figures.onScreen = Curve(600, {{100, 50}, {110, 50}, {125, 49}, {400, 10}});
    figures.posted.resize(600);
    const GraphRect area{0, 0, 600, 120};
    const GraphLayout layout = LayOutGraph(area, figures, FindPeaks(figures.onScreen), 12, kSixPerCharacter);
    ASSERT_TRUE(layout.text);
    EXPECT_EQ(layout.top, 50u);
    ASSERT_EQ(layout.peaks.size(), 4u);
    // Two crests of one height side by side: the second label goes beside the first.
    EXPECT_EQ(layout.peaks[0].label, L"1:40");
    EXPECT_EQ(layout.peaks[1].labelBox.top, layout.peaks[0].labelBox.top);
    EXPECT_GE(layout.peaks[1].labelBox.left, layout.peaks[0].labelBox.right);
    // A low peak's label sits just above it, not in the top row.
    EXPECT_GT(layout.peaks[3].labelBox.top, layout.plot.top);
    EXPECT_LT(layout.peaks[3].labelBox.bottom, layout.peaks[3].y);

    // Too low for labels: the curve takes the whole area.
    const GraphLayout bare = LayOutGraph({0, 0, 600, 30}, figures, FindPeaks(figures.onScreen), 12, kSixPerCharacter);
    EXPECT_FALSE(bare.text);
    EXPECT_TRUE(bare.ticks.empty());
    EXPECT_EQ(bare.plot.Height(), 29);
}

}  // namespace
