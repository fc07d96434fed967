// A comment file's timeline, second by second: how many comments were posted
// in each second of the video and how many are on the screen then, and the
// peaks of that curve. Window-free, so it is unit-tested and fuzzed natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "export/subtitle_markup.h"

// How long comments stay on the screen, in hundredths of a second, as the
// subtitle export shows them ("ScrollTime" and "FixedTime" of [subtitle]).
struct GraphTiming {
    long long scrollTime = 400;
    long long fixedTime = 300;
};

// The figures of seconds 0 to the last comment's second (both vectors are
// that long; empty without comments).
struct GraphFigures {
    std::vector<std::uint32_t> posted;    // comments whose vpos lies in the second
    std::vector<std::uint32_t> onScreen;  // comments on the screen during any part of the second
    std::size_t Seconds() const { return posted.size(); }
};

// A comment later than this is not drawn: a damaged vpos must not make a
// timeline of months (the figures take 8 bytes a second).
constexpr long long kGraphMaxSeconds = 100LL * 3600;

// Counts comments one at a time in any order, in memory proportional to the
// timeline's seconds, never to the comments.
class GraphCounter {
public:
    explicit GraphCounter(const GraphTiming& timing);

    // Counts a comment at vpos (hundredths of a second). A scrolling one is on
    // the screen from a quarter of ScrollTime before vpos (from 0 when that is
    // before the start) until ScrollTime after that, a top or bottom one for
    // FixedTime from vpos. False, and nothing counted, beyond kGraphMaxSeconds.
    bool Add(long long vpos, CommentPosition position);
    // A comment that is not counted (hidden by a rule, deleted) still stretches
    // the timeline, so that hiding comments never moves the axis.
    bool Reach(long long vpos);

    // The figures up to the last comment's second; the counter is spent.
    GraphFigures Finish();

private:
    void Grow(std::size_t seconds);

    GraphTiming timing_;
    std::vector<std::uint32_t> posted_;
    // Per second, comments that appear minus comments that have gone; counts
    // wrap as unsigned numbers, the sums come out right all the same.
    std::vector<std::uint32_t> change_;
    long long lastSecond_ = -1;
};

struct GraphPeak {
    std::size_t second = 0;
    std::uint32_t count = 0;  // on the screen at that second
};

// The highest peaks of the on-screen counts, highest first, at least minApart
// seconds from each other. A peak is a second whose count no second less than
// minApart away exceeds, and no earlier one of those equals: a plateau or a
// broad hill gives one peak (its first top second), so the peaks returned are
// distinct crests rather than five seconds of one crest. Equal peaks are
// ranked by time, earlier first; seconds with no comment are never peaks.
std::vector<GraphPeak> FindPeaks(const std::vector<std::uint32_t>& onScreen, std::size_t count = 5,
                                 std::size_t minApart = 10);

// "m:ss" below an hour, "h:mm:ss" from an hour on.
std::string GraphTimeText(std::size_t second);

// The figures as CSV: "second,posted,on_screen", then a row per second from 0,
// CR LF line ends.
std::string GraphCsv(const GraphFigures& figures);
