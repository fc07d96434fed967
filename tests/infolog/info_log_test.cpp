#include "infolog/info_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "testlib/messages.h"

using Lines = std::vector<std::string>;

TEST(InfoLog, PiecesAndNumbersMakeOneLine) {
    LineCapture capture;
    std::string name = "sm9";
    InfoLog << "Video = " << name << ", count " << 250 << " of " << 1000u << " (" << -3LL << ")" << EndLine;
    InfoLog << EndLine;
    EXPECT_EQ(capture.Lines(), (Lines{"Video = sm9, count 250 of 1000 (-3)", ""}));
}

TEST(InfoLog, EachThreadAssemblesItsOwnLine) {
    LineCapture capture;
    InfoLog << "main ";
    TestThread other([] { InfoLog << "worker " << 1 << EndLine; });
    ASSERT_TRUE(other.Wait());
    InfoLog << "line" << EndLine;
    EXPECT_EQ(capture.Lines(), (Lines{"worker 1", "main line"}));
}

// Fetch and conversion threads come and go while others write. A thread's end
// must not touch the lines of the threads still writing, nor the heap. (With a
// thread_local std::string this failed, crashed or hung in about half the runs.)
TEST(InfoLog, ThreadsEndingBesideWritersKeepTheirLinesWhole) {
    constexpr int kRounds = 60, kThreads = 16, kLines = 500;
    // Counts lines other than each thread's own, in its order.
    struct Checker : LineSink {
        int next[kThreads] = {};
        int wrong = 0;
        void WriteLine(const std::string& line) override {
            int t = -1;
            if (std::sscanf(line.c_str(), "Thread%d", &t) != 1 || t < 0 || t >= kThreads ||
                line != "Thread" + std::to_string(t) + " 予告編ソース表示 " + std::to_string(next[t]++))
                ++wrong;
        }
    } checker;
    InfoLog.AddSink(&checker);
    for (int round = 0; round < kRounds; ++round) {
        std::vector<std::unique_ptr<TestThread>> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.push_back(std::make_unique<TestThread>([t] {
                for (int i = 0; i < kLines; ++i) InfoLog << "Thread" << t << " 予告編ソース表示 " << i << EndLine;
            }));
        for (auto& thread : threads) EXPECT_TRUE(thread->Wait(60000));
        for (int& n : checker.next) n = 0;
    }
    InfoLog.RemoveSink(&checker);
    EXPECT_EQ(checker.wrong, 0);
    HANDLE heaps[64];
    const DWORD count = std::min<DWORD>(GetProcessHeaps(64, heaps), 64);
    for (DWORD h = 0; h < count; ++h) EXPECT_TRUE(HeapValidate(heaps[h], 0, nullptr));
}
