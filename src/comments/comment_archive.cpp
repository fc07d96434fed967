#include "comments/comment_archive.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <mutex>

#include "comments/comment_reader.h"
#include "comments/merge_stream.h"
#include "infolog/info_log.h"
#include "support/codepage.h"
#include "support/file_lock.h"
#include "support/handles.h"
#include "support/replacing_file.h"
#include "support/write_guard.h"

namespace {

// Writes the merged archive beside it and follows the numbers for the log.
class ArchiveOutput : public MergeOutput {
public:
    explicit ArchiveOutput(ReplacingFile& file) : file_(file) {}

    bool Write(const std::string& bytes) override { return file_.Write(bytes); }
    void Element(const char* name, const ChatElement& element) override {
        if (std::string_view(name) != "chat") return;
        long long no = 0;
        if (!element.FindInteger("no", no) || no < 1) return;
        if (lowest == 0) lowest = no;
        if (highest != 0 && no > highest + 1) lacking += static_cast<std::size_t>(no - highest - 1);
        if (no > highest) highest = no;
    }

    long long lowest = 0, highest = 0;
    std::size_t lacking = 0;

private:
    ReplacingFile& file_;
};

// The number in the last chat's start tag within the bytes (UTF-8 as the
// archive is written: every byte of "<chat" and the digits is itself).
bool LastChatNumber(const std::string& tail, long long& no) {
    const std::size_t at = tail.rfind("<chat ");
    if (at == std::string::npos) return false;
    const std::size_t end = tail.find('>', at);
    const std::size_t attribute = tail.find(" no=\"", at);
    if (end == std::string::npos || attribute == std::string::npos || attribute > end) return false;
    std::size_t digit = attribute + 5;
    if (digit >= end || tail[digit] < '0' || tail[digit] > '9') return false;
    no = 0;
    for (; digit < end && tail[digit] >= '0' && tail[digit] <= '9'; ++digit) {
        if (no > (LLONG_MAX - 9) / 10) return false;
        no = no * 10 + (tail[digit] - '0');
    }
    return digit < end && tail[digit] == '"';
}

std::string WithoutMark(const std::string& line) {
    const std::string mark = "◆";
    return line.compare(0, mark.size(), mark) == 0 ? line.substr(mark.size()) : line;
}

}  // namespace

bool ArchiveHighest(const std::wstring& archive, long long& highest) {
    FileHandle file(::CreateFileW(archive.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return false;
    const LONGLONG take = std::min<LONGLONG>(size.QuadPart, 64 * 1024);
    LARGE_INTEGER from{};
    from.QuadPart = size.QuadPart - take;
    std::string tail(static_cast<std::size_t>(take), '\0');
    DWORD read = 0;
    if (::SetFilePointerEx(file.get(), from, nullptr, FILE_BEGIN) &&
        ::ReadFile(file.get(), tail.data(), static_cast<DWORD>(take), &read, nullptr) && read == take &&
        LastChatNumber(tail, highest)) {
        return true;
    }
    file.reset();
    // A last comment longer than the piece read, or a file of another hand.
    CommentReader reader;
    if (!reader.Open(archive)) return false;
    bool found = false;
    while (reader.Next()) {
        long long no = 0;
        if (reader.Chat().FindInteger("no", no) && (!found || no > highest)) {
            highest = no;
            found = true;
        }
    }
    return found && !reader.Failed();
}

ArchiveResult MergeIntoArchive(const std::wstring& archive, const std::vector<std::wstring>& replies,
                               const std::atomic<bool>* stop, unsigned long lockWaitMs) {
    ArchiveResult result;
    FileLock lock;
    if (!lock.Acquire(archive + L".lock", lockWaitMs, stop)) {
        result.outcome = stop && *stop ? ArchiveOutcome::Stopped : ArchiveOutcome::Locked;
        result.why = "他の取得が " + std::to_string(lockWaitMs / 1000) + " 秒以上使用中";
        return result;
    }
    std::vector<std::unique_ptr<MergeInput>> inputs;
    const bool exists = ::GetFileAttributesW(archive.c_str()) != INVALID_FILE_ATTRIBUTES;
    std::vector<std::wstring> paths;
    if (exists) paths.push_back(archive);
    paths.insert(paths.end(), replies.begin(), replies.end());
    for (const std::wstring& path : paths) {
        auto input = std::make_unique<MergeInput>();
        input->name = ShownPath(path);
        if (!input->reader.Open(path)) {
            result.why = input->reader.Error();
            return result;
        }
        inputs.push_back(std::move(input));
    }

    MergeOptions options;
    options.newestByServerTime = false;  // the replies come oldest first
    options.firstWins = exists;
    options.stop = stop;
    ReplacingFile file;
    // One temporary name per archive: the lock makes it ours, and what a killed
    // run left there goes now.
    if (!file.BeginAt(archive, archive + L".tmp")) {
        InfoLog << "◆ファイルを保存できません: " << ShownPath(archive + L".tmp") << " ("
                << static_cast<unsigned long>(file.LastError()) << ")" << EndLine;
        result.outcome = ArchiveOutcome::WriteFailed;
        return result;
    }
    ArchiveOutput out(file);
    std::string refusal;
    std::lock_guard<std::recursive_mutex> writing(FileWriteMutex());
    const MergeResult merged =
        MergeStreams(inputs, options, out, [&](const std::string& line) { refusal = WithoutMark(line); });
    switch (merged.outcome) {
        case MergeOutcome::Saved:
            if (file.Commit()) {
                result.outcome = ArchiveOutcome::Merged;
                result.added = merged.written - merged.fromFirst * (exists ? 1 : 0);
                if (!exists) result.added = merged.written;
                result.total = merged.written;
                result.lowest = out.lowest;
                result.highest = out.highest;
                result.lacking = out.lacking;
                return result;
            }
            [[fallthrough]];
        case MergeOutcome::WriteFailed:
            InfoLog << "◆ファイルを保存できません: " << ShownPath(archive) << " ("
                    << static_cast<unsigned long>(file.LastError()) << ")" << EndLine;
            result.outcome = ArchiveOutcome::WriteFailed;
            return result;
        case MergeOutcome::Stopped: result.outcome = ArchiveOutcome::Stopped; return result;
        case MergeOutcome::DifferentThreads: result.why = "別のスレッドのアーカイブです"; return result;
        default: result.why = refusal; return result;
    }
}
