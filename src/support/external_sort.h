// Records of any number put in the order of a key, equal keys in the order
// they were added, in bounded memory: records gather in memory up to the
// budget, each such run is sorted and spilled to a temporary file of the
// system's (SpoolFile), and the runs are merged as they are read back. A run
// that fits the budget never touches a file.
//
//     ExternalSorter sorter(budget);
//     sorter.Add(key, bytes) ...          // false: the temporary file failed
//     sorter.Finish();
//     while (sorter.Next(bytes)) ...      // ascending keys
//     if (sorter.Failed()) ... LastError()
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/spool_file.h"

class ExternalSorter {
public:
    static constexpr std::size_t kDefaultMemory = 8 * 1024 * 1024;
    // memory: bytes of records and their keys held at once; the merge's read
    // buffers share it.
    explicit ExternalSorter(std::size_t memory = kDefaultMemory);
    ~ExternalSorter();
    ExternalSorter(const ExternalSorter&) = delete;
    ExternalSorter& operator=(const ExternalSorter&) = delete;

    bool Add(long long key, std::string_view record);
    // No more records: the order is settled. False when a run could not be
    // written or merged.
    bool Finish();
    // The next record (valid until the next call). False at the end, or on a
    // failure of the temporary file (Failed()).
    bool Next(std::string_view& record);

    std::size_t Count() const { return count_; }
    // Runs written to the temporary file so far (0: all in memory).
    std::size_t Runs() const { return runs_.size(); }
    bool Failed() const { return error_ != 0; }
    DWORD LastError() const { return error_; }

private:
    struct Entry {
        long long key;
        std::uint32_t at, size;  // in arena_, which grows in the order of adding
    };
    struct Run {
        unsigned long long begin, end;  // bytes of the temporary file
    };
    class RunReader;
    struct Merge;

    void SortEntries();
    bool Spill();
    bool WriteAt(unsigned long long at, const char* data, std::size_t size);
    bool StartMerge(std::size_t first, std::size_t count);
    // Merges the first runs into one new run in their place until few
    // enough are left to read side by side within the budget.
    bool ReduceRuns();

    std::size_t memory_;
    std::size_t count_ = 0;
    std::string arena_;
    std::vector<Entry> entries_;
    std::size_t next_ = 0;  // the next entry handed out when nothing was spilled
    SpoolFile spool_;
    unsigned long long spoolEnd_ = 0;
    std::vector<Run> runs_;
    std::unique_ptr<Merge> merge_;
    DWORD error_ = 0;
};
