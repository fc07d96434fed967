// libFuzzer target of the graph's figures, peaks and layout (built natively by
// tests/tools/fuzz.sh). The input is read as timings, an area and comments;
// every result is checked against a plain recount and the rules it promises.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "export/comment_graph.h"
#include "export/graph_layout.h"

namespace {

#define REQUIRE(condition) \
    ((condition) ? (void)0 : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition), std::abort()))

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    // Big-endian; zeros past the end.
    int Take(int bytes) {
        int value = 0;
        for (int i = 0; i < bytes; ++i) {
            value <<= 8;
            if (size > 0) value |= *data++, --size;
        }
        return value;
    }
};

struct Comment {
    long long vpos;
    CommentPosition position;
    bool hidden;
};

// The recount: every comment against every second.
GraphFigures Recount(const std::vector<Comment>& comments, const GraphTiming& timing) {
    long long last = -1;
    for (const Comment& c : comments) last = std::max(last, std::max(0LL, c.vpos < 0 ? 0 : c.vpos / 100));
    GraphFigures figures;
    figures.posted.assign(static_cast<std::size_t>(last + 1), 0);
    figures.onScreen.assign(static_cast<std::size_t>(last + 1), 0);
    for (const Comment& c : comments) {
        if (c.hidden) continue;
        ++figures.posted[c.vpos < 0 ? 0 : c.vpos / 100];
        long long start = c.vpos, end = c.vpos + timing.fixedTime;
        if (c.position == CommentPosition::Scroll)
            start = c.vpos - timing.scrollTime / 4, end = start + timing.scrollTime;
        start = std::max(0LL, start);
        for (long long s = 0; s <= last; ++s) {
            if (start < (s + 1) * 100 && s * 100 < end) ++figures.onScreen[s];
        }
    }
    return figures;
}

void CheckPeaks(const std::vector<std::uint32_t>& onScreen, const std::vector<GraphPeak>& peaks) {
    REQUIRE(peaks.size() <= 5);
    const std::uint32_t highest = onScreen.empty() ? 0 : *std::max_element(onScreen.begin(), onScreen.end());
    REQUIRE(highest == 0 ? peaks.empty() : !peaks.empty() && peaks[0].count == highest);
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        REQUIRE(peaks[i].count == onScreen[peaks[i].second] && peaks[i].count > 0);
        if (i > 0) {
            REQUIRE(peaks[i - 1].count > peaks[i].count ||
                    (peaks[i - 1].count == peaks[i].count && peaks[i - 1].second < peaks[i].second));
        }
        for (std::size_t j = 0; j < i; ++j) {
            REQUIRE(peaks[i].second + 10 <= peaks[j].second || peaks[j].second + 10 <= peaks[i].second);
        }
        const std::size_t s = peaks[i].second;
        for (std::size_t t = s > 9 ? s - 9 : 0; t < std::min(onScreen.size(), s + 10); ++t) {
            REQUIRE(t < s ? onScreen[t] < onScreen[s] : onScreen[t] <= onScreen[s]);
        }
    }
}

// The CSV reads back into the figures it was made of.
void CheckCsv(const GraphFigures& figures) {
    const std::string csv = GraphCsv(figures);
    const char* at = csv.c_str();
    REQUIRE(std::strncmp(at, "second,posted,on_screen\r\n", 25) == 0);
    at += 25;
    for (std::size_t s = 0; s < figures.Seconds(); ++s) {
        char* end = nullptr;
        REQUIRE(std::strtoull(at, &end, 10) == s && *end == ',');
        REQUIRE(std::strtoull(end + 1, &end, 10) == figures.posted[s] && *end == ',');
        REQUIRE(std::strtoull(end + 1, &end, 10) == figures.onScreen[s] && std::strncmp(end, "\r\n", 2) == 0);
        at = end + 2;
    }
    REQUIRE(*at == '\0');
}

bool Overlap(const GraphRect& a, const GraphRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

void CheckLayout(const GraphFigures& figures, const std::vector<GraphPeak>& peaks, int width, int height,
                 int textHeight) {
    const LabelWidth labelWidth = [](const std::wstring& label) { return 6 * static_cast<int>(label.size()); };
    const GraphRect area{3, 5, 3 + width, 5 + height};
    const GraphLayout layout = LayOutGraph(area, figures, peaks, textHeight, labelWidth);
    const GraphRect& plot = layout.plot;
    if (plot.Width() <= 0 || plot.Height() <= 0 || figures.Seconds() == 0) return;
    REQUIRE(plot.left >= area.left && plot.right <= area.right && plot.top >= area.top && plot.bottom < area.bottom);

    // Every column shows a second, every second has its columns, in order,
    // and a column is as high as the highest of its seconds.
    const std::size_t n = figures.Seconds();
    const std::vector<std::uint32_t> columns = ColumnCounts(figures.onScreen, n, plot.Width());
    int next = 0;
    for (std::size_t s = 0; s < n; ++s) {
        const auto span = ColumnsOfSecond(s, n, plot.Width());
        REQUIRE(span.first <= span.second && span.second < plot.Width());
        REQUIRE(span.first == next || span.first == next - 1);
        REQUIRE(span.first == span.second || span.first == next);  // a second of several columns owns them
        next = span.second + 1;
        for (int c = span.first; c <= span.second; ++c) REQUIRE(columns[c] >= figures.onScreen[s]);
        REQUIRE(FillHeight(figures.onScreen[s], layout.top, plot.Height()) <= plot.Height());
    }
    REQUIRE(next == plot.Width());
    REQUIRE(MomentX(layout, static_cast<long long>(n) * 100 + 5) < plot.right);

    for (std::size_t i = 0; i < layout.ticks.size(); ++i) {
        const GraphTick& tick = layout.ticks[i];
        REQUIRE(tick.x >= plot.left && tick.x < plot.right && tick.second < n);
        if (i > 0) REQUIRE(tick.x > layout.ticks[i - 1].x);
    }
    for (std::size_t i = 0; i < layout.peaks.size(); ++i) {
        const GraphPeakMark& mark = layout.peaks[i];
        REQUIRE(mark.x >= plot.left && mark.x < plot.right && mark.y >= plot.top && mark.y <= plot.bottom);
        if (!mark.labelled) continue;
        const GraphRect& box = mark.labelBox;
        REQUIRE(box.top >= area.top && box.bottom <= plot.bottom);
        if (box.Width() <= area.Width()) REQUIRE(box.left >= area.left && box.right <= area.right);
        for (std::size_t j = 0; j < i; ++j)
            REQUIRE(!layout.peaks[j].labelled || !Overlap(layout.peaks[j].labelBox, box));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    GraphTiming timing;
    timing.scrollTime = 1 + in.Take(2) % 6000;
    timing.fixedTime = 1 + in.Take(2) % 6000;
    const int width = in.Take(2) % 2100;
    const int height = in.Take(1) + in.Take(1);
    const int textHeight = in.Take(1) % 40;

    std::vector<Comment> comments;
    GraphCounter counter(timing);
    while (in.size >= 3) {
        Comment c;
        c.vpos = static_cast<std::int16_t>(in.Take(2)) * 3LL;
        const int kind = in.Take(1);
        c.position = static_cast<CommentPosition>(kind % 3);
        c.hidden = (kind & 0x80) != 0;
        REQUIRE(c.hidden ? counter.Reach(c.vpos) : counter.Add(c.vpos, c.position));
        comments.push_back(c);
    }
    const GraphFigures figures = counter.Finish();
    const GraphFigures expected = Recount(comments, timing);
    REQUIRE(figures.posted == expected.posted);
    REQUIRE(figures.onScreen == expected.onScreen);

    const std::vector<GraphPeak> peaks = FindPeaks(figures.onScreen);
    CheckPeaks(figures.onScreen, peaks);
    CheckCsv(figures);
    CheckLayout(figures, peaks, width, height, textHeight);
    return 0;
}
