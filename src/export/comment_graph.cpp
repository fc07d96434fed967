#include "export/comment_graph.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr long long kLongest = kGraphMaxSeconds * 100;  // hundredths

long long FloorDiv(long long a, long long b) {
    const long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

GraphCounter::GraphCounter(const GraphTiming& timing) : timing_(timing) {
    // The settings keep these within a minute; whatever a caller gives must
    // neither divide by zero nor overflow below.
    timing_.scrollTime = std::clamp(timing_.scrollTime, 1LL, kLongest);
    timing_.fixedTime = std::clamp(timing_.fixedTime, 1LL, kLongest);
}

void GraphCounter::Grow(std::size_t seconds) {
    if (change_.size() < seconds) change_.resize(seconds);
}

bool GraphCounter::Reach(long long vpos) {
    const long long second = std::max(0LL, FloorDiv(vpos, 100));
    if (second >= kGraphMaxSeconds) return false;
    if (second > lastSecond_) lastSecond_ = second;
    return true;
}

bool GraphCounter::Add(long long vpos, CommentPosition position) {
    if (!Reach(vpos)) return false;
    vpos = std::max(vpos, -kLongest);  // long before the start is before the start
    const std::size_t second = static_cast<std::size_t>(std::max(0LL, FloorDiv(vpos, 100)));
    if (posted_.size() <= second) posted_.resize(second + 1);
    ++posted_[second];

    // The same span the subtitle export shows the comment for.
    long long start = vpos, end = vpos + timing_.fixedTime;
    if (position == CommentPosition::Scroll) {
        start = vpos - timing_.scrollTime / 4;
        end = start + timing_.scrollTime;
    }
    start = std::max(0LL, start);
    if (end <= start) return true;  // gone before the video starts
    // Every second the span touches, even for a hundredth.
    const std::size_t first = static_cast<std::size_t>(start / 100);
    const std::size_t after = static_cast<std::size_t>((end - 1) / 100 + 1);
    Grow(after + 1);
    ++change_[first];
    --change_[after];
    return true;
}

GraphFigures GraphCounter::Finish() {
    GraphFigures figures;
    const std::size_t seconds = static_cast<std::size_t>(lastSecond_ + 1);
    posted_.resize(seconds);
    Grow(seconds);
    figures.posted = std::move(posted_);
    figures.onScreen.resize(seconds);
    std::uint32_t running = 0;
    for (std::size_t s = 0; s < seconds; ++s) figures.onScreen[s] = running += change_[s];
    std::vector<std::uint32_t>().swap(change_);
    lastSecond_ = -1;
    return figures;
}

std::vector<GraphPeak> FindPeaks(const std::vector<std::uint32_t>& onScreen, std::size_t count, std::size_t minApart) {
    std::vector<GraphPeak> peaks;
    const std::size_t n = onScreen.size();
    const std::size_t reach = minApart > 0 ? minApart - 1 : 0;
    for (std::size_t s = 0; s < n; ++s) {
        const std::uint32_t c = onScreen[s];
        if (c == 0) continue;
        const std::size_t from = s > reach ? s - reach : 0;
        const std::size_t to = std::min(n - 1, s + reach);
        bool crest = true;
        for (std::size_t t = from; t <= to && crest; ++t) {
            crest = t < s ? onScreen[t] < c : onScreen[t] <= c;
        }
        if (crest) peaks.push_back({s, c});
    }
    // Highest first; equal ones keep their order in time.
    std::stable_sort(peaks.begin(), peaks.end(),
                     [](const GraphPeak& a, const GraphPeak& b) { return a.count > b.count; });
    if (peaks.size() > count) peaks.resize(count);
    return peaks;
}

std::string GraphTimeText(std::size_t second) {
    char text[32];
    const unsigned long long s = second;
    if (s < 3600) {
        std::snprintf(text, sizeof text, "%llu:%02llu", s / 60, s % 60);
    } else {
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", s / 3600, s / 60 % 60, s % 60);
    }
    return text;
}

std::string GraphCsv(const GraphFigures& figures) {
    std::string csv = "second,posted,on_screen\r\n";
    csv.reserve(csv.size() + figures.Seconds() * 16);
    char row[64];
    for (std::size_t s = 0; s < figures.Seconds(); ++s) {
        const int n =
            std::snprintf(row, sizeof row, "%llu,%u,%u\r\n", static_cast<unsigned long long>(s),
                          static_cast<unsigned>(figures.posted[s]), static_cast<unsigned>(figures.onScreen[s]));
        csv.append(row, static_cast<std::size_t>(n));
    }
    return csv;
}
