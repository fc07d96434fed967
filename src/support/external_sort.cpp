#include "support/external_sort.h"

#include <algorithm>
#include <cstring>

namespace {

// A record in the temporary file: its key, its size and its bytes. Equal keys
// keep the order of adding by the order of the runs, and of the records in
// a run.
constexpr std::size_t kHeader = 8 + 4;
// Writes go to the file in pieces of this size.
constexpr std::size_t kWritePiece = 1 << 20;
// The least a run's read buffer gets; more runs than the budget gives such
// buffers are merged into fewer first.
constexpr std::size_t kReadPiece = 64 * 1024;
constexpr std::size_t kSmallestReadPiece = 256;

bool SeekTo(HANDLE file, unsigned long long at) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(at);
    return ::SetFilePointerEx(file, position, nullptr, FILE_BEGIN) != 0;
}

void PutHeader(char* out, long long key, std::uint32_t size) {
    std::memcpy(out, &key, 8);
    std::memcpy(out + 8, &size, 4);
}

}  // namespace

// One run of the temporary file read a buffer at a time; the current record
// stays whole in the buffer until the next is asked for.
class ExternalSorter::RunReader {
public:
    RunReader(HANDLE file, Run run, std::size_t buffer) : file_(file), at_(run.begin), end_(run.end) {
        buffer_.resize(std::max(buffer, kSmallestReadPiece));
    }

    // Moves to the next record; false at the end of the run or on a read
    // failure (error set).
    bool Advance(DWORD& error) {
        from_ += current_;
        current_ = 0;
        if (!Have(kHeader, error)) return false;
        std::memcpy(&key_, &buffer_[from_], 8);
        std::uint32_t size;
        std::memcpy(&size, &buffer_[from_ + 8], 4);
        if (!Have(kHeader + size, error)) {
            if (error == 0) error = ERROR_HANDLE_EOF;  // a record cut short
            return false;
        }
        current_ = kHeader + size;
        return true;
    }
    std::string_view Record() const { return std::string_view(&buffer_[from_ + kHeader], current_ - kHeader); }
    long long Key() const { return key_; }

private:
    // At least size bytes from from_ in the buffer; false at the run's end.
    bool Have(std::size_t size, DWORD& error) {
        if (filled_ - from_ >= size) return true;
        std::memmove(&buffer_[0], &buffer_[from_], filled_ - from_);
        filled_ -= from_;
        from_ = 0;
        if (buffer_.size() < size) buffer_.resize(size);  // a record larger than the buffer
        while (filled_ < size && at_ < end_) {
            const DWORD room = static_cast<DWORD>(std::min<unsigned long long>(buffer_.size() - filled_, end_ - at_));
            DWORD read = 0;
            if (!SeekTo(file_, at_) || !::ReadFile(file_, &buffer_[filled_], room, &read, nullptr)) {
                error = ::GetLastError();
                return false;
            }
            if (read == 0) {  // shorter than written: the file is not ours any more
                error = ERROR_HANDLE_EOF;
                return false;
            }
            filled_ += read;
            at_ += read;
        }
        return filled_ >= size;
    }

    HANDLE file_;
    unsigned long long at_, end_;
    std::string buffer_;
    std::size_t from_ = 0, filled_ = 0, current_ = 0;
    long long key_ = 0;
};

struct ExternalSorter::Merge {
    std::vector<RunReader> readers;
    std::vector<std::size_t> heap;     // readers with a record, the least first
    std::size_t handedOut = SIZE_MAX;  // the reader whose record went out last

    // Equal keys: the earlier run's record first.
    bool Later(std::size_t a, std::size_t b) const {
        const long long x = readers[a].Key(), y = readers[b].Key();
        return x != y ? x > y : a > b;
    }
    void Push(std::size_t reader) {
        heap.push_back(reader);
        std::push_heap(heap.begin(), heap.end(), [this](std::size_t a, std::size_t b) { return Later(a, b); });
    }
    // The reader with the least record, taken off the heap.
    std::size_t Pop() {
        std::pop_heap(heap.begin(), heap.end(), [this](std::size_t a, std::size_t b) { return Later(a, b); });
        const std::size_t least = heap.back();
        heap.pop_back();
        return least;
    }
    // The next record in order; false at the end or on an error.
    bool Next(std::string_view& record, DWORD& error) {
        if (handedOut != SIZE_MAX && readers[handedOut].Advance(error)) Push(handedOut);
        handedOut = SIZE_MAX;
        if (error != 0 || heap.empty()) return false;
        handedOut = Pop();
        record = readers[handedOut].Record();
        return true;
    }
};

ExternalSorter::ExternalSorter(std::size_t memory) : memory_(std::max<std::size_t>(memory, 1)) {}
ExternalSorter::~ExternalSorter() = default;

bool ExternalSorter::Add(long long key, std::string_view record) {
    if (error_ != 0) return false;
    if (arena_.size() + record.size() + (entries_.size() + 1) * sizeof(Entry) > memory_ && !entries_.empty() &&
        !Spill()) {
        return false;
    }
    if (arena_.capacity() == 0) {
        // Room for a whole run at once: growing by copying would hold a run
        // twice for a moment. Untouched, the room costs no memory.
        arena_.reserve(memory_);
        entries_.reserve(memory_ / sizeof(Entry));
    }
    entries_.push_back(
        Entry{key, static_cast<std::uint32_t>(arena_.size()), static_cast<std::uint32_t>(record.size())});
    arena_.append(record.data(), record.size());
    ++count_;
    return true;
}

void ExternalSorter::SortEntries() {
    // Equal keys in the order of adding, which is the order in the arena.
    std::sort(entries_.begin(), entries_.end(),
              [](const Entry& a, const Entry& b) { return a.key != b.key ? a.key < b.key : a.at < b.at; });
}

bool ExternalSorter::WriteAt(unsigned long long at, const char* data, std::size_t size) {
    DWORD written = 0;
    if (!SeekTo(spool_.Handle(), at) ||
        !::WriteFile(spool_.Handle(), data, static_cast<DWORD>(size), &written, nullptr) || written != size) {
        error_ = ::GetLastError() != 0 ? ::GetLastError() : ERROR_WRITE_FAULT;
        return false;
    }
    return true;
}

bool ExternalSorter::Spill() {
    if (runs_.empty() && !spool_.Create()) {
        error_ = ::GetLastError() != 0 ? ::GetLastError() : ERROR_CANNOT_MAKE;
        return false;
    }
    SortEntries();
    const unsigned long long begin = spoolEnd_;
    std::string piece;
    piece.reserve(kWritePiece + kHeader);
    for (const Entry& entry : entries_) {
        const std::size_t at = piece.size();
        piece.resize(at + kHeader);
        PutHeader(&piece[at], entry.key, entry.size);
        piece.append(arena_, entry.at, entry.size);
        if (piece.size() >= kWritePiece) {
            if (!WriteAt(spoolEnd_, piece.data(), piece.size())) return false;
            spoolEnd_ += piece.size();
            piece.clear();
        }
    }
    if (!piece.empty() && !WriteAt(spoolEnd_, piece.data(), piece.size())) return false;
    spoolEnd_ += piece.size();
    runs_.push_back(Run{begin, spoolEnd_});
    arena_.clear();
    entries_.clear();
    return true;
}

bool ExternalSorter::StartMerge(std::size_t first, std::size_t count) {
    merge_ = std::make_unique<Merge>();
    const std::size_t buffer = memory_ / std::max<std::size_t>(count, 1);
    merge_->readers.reserve(count);
    for (std::size_t i = first; i < first + count; ++i) merge_->readers.emplace_back(spool_.Handle(), runs_[i], buffer);
    for (std::size_t i = 0; i < count; ++i) {
        if (merge_->readers[i].Advance(error_)) merge_->Push(i);
        if (error_ != 0) return false;
    }
    return true;
}

bool ExternalSorter::ReduceRuns() {
    const std::size_t fanIn = std::max<std::size_t>(2, memory_ / kReadPiece);
    while (runs_.size() > fanIn) {
        if (!StartMerge(0, fanIn)) return false;
        const unsigned long long begin = spoolEnd_;
        std::string piece;
        std::string_view record;
        while (merge_->Next(record, error_)) {
            const RunReader& from = merge_->readers[merge_->handedOut];
            const std::size_t at = piece.size();
            piece.resize(at + kHeader);
            PutHeader(&piece[at], from.Key(), static_cast<std::uint32_t>(record.size()));
            piece.append(record.data(), record.size());
            if (piece.size() >= kWritePiece) {
                if (!WriteAt(spoolEnd_, piece.data(), piece.size())) return false;
                spoolEnd_ += piece.size();
                piece.clear();
            }
        }
        if (error_ != 0 || (!piece.empty() && !WriteAt(spoolEnd_, piece.data(), piece.size()))) return false;
        spoolEnd_ += piece.size();
        // In the place of the runs it holds, so that equal keys keep their order.
        runs_.erase(runs_.begin() + 1, runs_.begin() + static_cast<std::ptrdiff_t>(fanIn));
        runs_.front() = Run{begin, spoolEnd_};
    }
    return true;
}

bool ExternalSorter::Finish() {
    if (error_ != 0) return false;
    if (runs_.empty()) {
        SortEntries();
        return true;
    }
    if (!entries_.empty() && !Spill()) return false;
    // The memory of the gathering goes back before the merge takes its buffers.
    std::string().swap(arena_);
    std::vector<Entry>().swap(entries_);
    return ReduceRuns() && StartMerge(0, runs_.size());
}

bool ExternalSorter::Next(std::string_view& record) {
    if (error_ != 0) return false;
    if (!merge_) {
        if (next_ == entries_.size()) return false;
        const Entry& entry = entries_[next_++];
        record = std::string_view(arena_.data() + entry.at, entry.size);
        return true;
    }
    return merge_->Next(record, error_);
}
