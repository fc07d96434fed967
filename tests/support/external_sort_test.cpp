#include "support/external_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Record = std::pair<long long, std::string>;

// Records of every size, a record far larger than the smallest budgets among
// them, and few keys, so that many are equal and their order shows.
std::vector<Record> SampleRecords(std::size_t count) {
    std::mt19937 random(23);
    const std::string texts[] = {u8"ソ表予", u8"\uD55C\uAE00\U0001F600", "", "8888888888", std::string(3000, 'w')};
    std::vector<Record> records;
    for (std::size_t i = 0; i < count; ++i) {
        const long long key = static_cast<long long>(random() % 50) - 10;
        records.emplace_back(key, texts[random() % 5] + std::to_string(i));
    }
    return records;
}

// Whatever the budget (all in memory, a few runs, so many that runs are
// merged into fewer first), the records come out as a stable sort puts them.
TEST(ExternalSorter, StableOrderWithinAnyBudget) {
    const std::vector<Record> records = SampleRecords(3000);
    std::vector<Record> expected = records;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const Record& a, const Record& b) { return a.first < b.first; });
    const struct {
        std::size_t memory;
        bool spilled;
    } budgets[] = {{ExternalSorter::kDefaultMemory, false}, {200 * 1024, true}, {2000, true}};
    for (const auto& budget : budgets) {
        ExternalSorter sorter(budget.memory);
        for (const Record& r : records) ASSERT_TRUE(sorter.Add(r.first, r.second));
        ASSERT_TRUE(sorter.Finish());
        EXPECT_EQ(sorter.Runs() > 0, budget.spilled) << budget.memory;
        EXPECT_EQ(sorter.Count(), records.size());
        std::string_view record;
        std::size_t i = 0;
        while (sorter.Next(record)) {
            ASSERT_LT(i, expected.size());
            ASSERT_EQ(record, expected[i].second) << budget.memory << " at " << i;
            ++i;
        }
        EXPECT_EQ(i, expected.size()) << budget.memory;
        EXPECT_FALSE(sorter.Failed());
        EXPECT_FALSE(sorter.Next(record)) << "the end stays the end";
    }
}

TEST(ExternalSorter, NothingAdded) {
    ExternalSorter sorter(100);
    ASSERT_TRUE(sorter.Finish());
    std::string_view record;
    EXPECT_FALSE(sorter.Next(record));
    EXPECT_FALSE(sorter.Failed());
}

}  // namespace
