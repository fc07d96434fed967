#include "export/graph_layout.h"

#include <algorithm>

namespace {

constexpr int kTickLength = 3;
constexpr int kMarkHeight = 4;  // the peak's triangle above the curve
constexpr int kLabelGap = 8;    // least pixels between two axis labels

// Steps a reader counts in: seconds for short clips, then minutes and hours.
constexpr std::size_t kSteps[] = {1,    2,    5,    10,   15,    30,    60,    120,   300,    600,   900,
                                  1200, 1800, 3600, 7200, 10800, 21600, 43200, 86400, 172800, 360000};

bool Overlap(const GraphRect& a, const GraphRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// A box of the label's size centred on x, kept inside the area's width.
GraphRect LabelBox(int x, int top, int width, int height, const GraphRect& area) {
    GraphRect box{x - width / 2, top, x - width / 2 + width, top + height};
    if (box.right > area.right) box.left -= box.right - area.right, box.right = area.right;
    if (box.left < area.left) box.right += area.left - box.left, box.left = area.left;
    return box;
}

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

void PlaceTicks(GraphLayout& layout, const LabelWidth& labelWidth, int textHeight) {
    const std::size_t step = TickStep(layout.seconds, layout.plot.Width(), labelWidth);
    const int labelTop = layout.plot.bottom + 1 + kTickLength;
    GraphRect previous{};
    for (std::size_t s = 0; s < layout.seconds; s += step) {
        GraphTick tick;
        tick.second = s;
        tick.x = layout.plot.left + ColumnsOfSecond(s, layout.seconds, layout.plot.Width()).first;
        const std::wstring label = TickLabel(s, step);
        const GraphRect box = LabelBox(tick.x, labelTop, labelWidth(label), textHeight, layout.area);
        // The last label, pushed in from the right edge, may meet the one before.
        if (layout.ticks.empty() || box.left >= previous.right + kLabelGap / 2) {
            tick.label = label;
            tick.labelBox = previous = box;
        }
        layout.ticks.push_back(std::move(tick));
    }
}

// Each peak's time above it, higher peaks first; a label that would cover
// another tries the rows above it, and goes without when none is free.
void PlacePeaks(GraphLayout& layout, const std::vector<GraphPeak>& peaks, const LabelWidth& labelWidth,
                int textHeight) {
    for (const GraphPeak& peak : peaks) {
        if (peak.second >= layout.seconds) continue;
        GraphPeakMark mark;
        mark.peak = peak;
        const auto columns = ColumnsOfSecond(peak.second, layout.seconds, layout.plot.Width());
        mark.x = layout.plot.left + (columns.first + columns.second) / 2;
        mark.y = layout.plot.bottom - FillHeight(peak.count, layout.top, layout.plot.Height());
        if (layout.text) {
            mark.label = Widen(GraphTimeText(peak.second));
            const int width = labelWidth(mark.label);
            // Centred over the marker, else beside it, else a row higher.
            const int centres[] = {mark.x, mark.x + 4 + (width + 1) / 2, mark.x - 3 - (width + 1) / 2};
            int top = std::max(layout.area.top, mark.y - kMarkHeight - 1 - textHeight);
            for (; top >= layout.area.top && !mark.labelled; top -= textHeight + 1) {
                for (int centre : centres) {
                    const GraphRect box = LabelBox(centre, top, width, textHeight, layout.area);
                    const bool free =
                        std::none_of(layout.peaks.begin(), layout.peaks.end(),
                                     [&](const GraphPeakMark& m) { return m.labelled && Overlap(m.labelBox, box); });
                    if (free) {
                        mark.labelBox = box, mark.labelled = true;
                        break;
                    }
                }
            }
        }
        layout.peaks.push_back(std::move(mark));
    }
}

}  // namespace

std::vector<std::uint32_t> ColumnCounts(const std::vector<std::uint32_t>& perSecond, std::size_t seconds, int columns) {
    std::vector<std::uint32_t> counts(static_cast<std::size_t>(std::max(0, columns)));
    if (seconds == 0) return counts;
    const std::size_t known = std::min(seconds, perSecond.size());
    for (std::size_t c = 0; c < counts.size(); ++c) {
        const std::size_t from = c * seconds / counts.size();
        const std::size_t to = std::min(known, std::max(from + 1, (c + 1) * seconds / counts.size()));
        for (std::size_t s = from; s < to; ++s) counts[c] = std::max(counts[c], perSecond[s]);
    }
    return counts;
}

std::pair<int, int> ColumnsOfSecond(std::size_t s, std::size_t seconds, int columns) {
    if (seconds == 0 || columns <= 0) return {0, 0};
    const unsigned long long n = seconds, w = static_cast<unsigned>(columns);
    s = std::min(s, seconds - 1);
    // Column c shows the seconds from c * n / w on; second s lies in the
    // columns whose first second is s, or in the one before when it has none.
    const unsigned long long last = ((s + 1) * w - 1) / n;
    const unsigned long long first = std::min(last, (s * w + n - 1) / n);
    return {static_cast<int>(first), static_cast<int>(last)};
}

int FillHeight(std::uint32_t count, std::uint32_t top, int plotHeight) {
    if (count == 0 || plotHeight <= 0) return 0;
    top = std::max<std::uint32_t>(top, 1);
    const unsigned long long h = (static_cast<unsigned long long>(std::min(count, top)) * plotHeight + top / 2) / top;
    return static_cast<int>(std::max<unsigned long long>(h, 1));
}

int MomentX(const GraphLayout& layout, long long hundredths) {
    if (layout.seconds == 0 || layout.plot.Width() <= 0) return layout.plot.left;
    const long long end = static_cast<long long>(layout.seconds) * 100 - 1;
    const long long t = std::clamp(hundredths, 0LL, end);
    const auto columns = ColumnsOfSecond(static_cast<std::size_t>(t / 100), layout.seconds, layout.plot.Width());
    return layout.plot.left + columns.first + static_cast<int>(t % 100 * (columns.second - columns.first + 1) / 100);
}

long long MomentAtX(const GraphLayout& layout, int x) {
    const int columns = layout.plot.Width();
    if (layout.seconds == 0 || columns <= 0) return 0;
    const int c = std::clamp(x - layout.plot.left, 0, columns - 1);
    const std::size_t s = static_cast<std::size_t>(1ULL * static_cast<unsigned>(c) * layout.seconds / columns);
    const auto span = ColumnsOfSecond(s, layout.seconds, columns);
    // The fraction rounded up, so that MomentX comes back to this column.
    const long long wide = span.second - span.first + 1;
    const long long fraction = std::min(99LL, ((c - span.first) * 100LL + wide - 1) / wide);
    return static_cast<long long>(s) * 100 + fraction;
}

std::wstring TickLabel(std::size_t second, std::size_t step) {
    if (step % 60 == 0) return std::to_wstring(second / 60) + L"分";
    return Widen(GraphTimeText(second));
}

std::size_t TickStep(std::size_t seconds, int width, const LabelWidth& labelWidth) {
    if (seconds == 0 || width <= 0) return kSteps[std::size(kSteps) - 1];
    for (std::size_t step : kSteps) {
        // Minutes, as a reader counts a video's time, unless it is shorter than three.
        if (step < 60 && seconds >= 180) continue;
        const std::size_t widest = (seconds - 1) / step * step;
        const unsigned long long pixels = 1ULL * step * static_cast<unsigned>(width) / seconds;
        if (pixels >= static_cast<unsigned long long>(std::max(0, labelWidth(TickLabel(widest, step))) + kLabelGap)) {
            return step;
        }
    }
    return kSteps[std::size(kSteps) - 1];
}

GraphLayout LayOutGraph(const GraphRect& area, const GraphFigures& figures, const std::vector<GraphPeak>& peaks,
                        int textHeight, const LabelWidth& labelWidth) {
    GraphLayout layout;
    layout.area = area;
    layout.seconds = figures.Seconds();
    for (std::uint32_t count : figures.onScreen) layout.top = std::max(layout.top, count);
    // Labels need a row above the curve for the highest peak's time and one
    // below the baseline for the axis, and a curve at least as high as both.
    layout.text = textHeight > 0 && area.Height() >= 4 * textHeight + kMarkHeight + kTickLength + 3;
    layout.plot = area;
    if (layout.text) {
        layout.plot.top += textHeight + kMarkHeight + 1;
        layout.plot.bottom -= textHeight + kTickLength + 2;
    } else {
        layout.plot.bottom -= 1;  // the baseline
    }
    if (layout.plot.Width() <= 0 || layout.plot.Height() <= 0 || layout.seconds == 0) return layout;
    if (layout.text) PlaceTicks(layout, labelWidth, textHeight);
    PlacePeaks(layout, peaks, labelWidth, textHeight);
    return layout;
}
