#include "support/replacing_file.h"

#include <atomic>
#include <cwchar>

#include "support/text.h"

namespace {
constexpr std::size_t kBufferBytes = 256 * 1024;
}

bool ReplacingFile::Begin(const std::wstring& target) {
    Abandon();
    target_ = target;
    // Named here, not by GetTempFileName: that takes folders of MAX_PATH - 14
    // characters at most, and Wine's writes past the caller's buffer beyond.
    static std::atomic<unsigned> made{0};
    const std::wstring folder = FolderOfWide(target);
    for (int attempt = 0; attempt < 256; ++attempt) {
        wchar_t name[16];
        std::swprintf(name, 16, L"\\kmt%04X.tmp", (::GetCurrentProcessId() * 251 + made++ * 4099) & 0xFFFF);
        // The empty file holds the name, as GetTempFileName's does.
        FileHandle file(::CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            temp_ = folder + name;
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) return Failed();
    }
    return Failed();
}

bool ReplacingFile::BeginAt(const std::wstring& target, const std::wstring& temp) {
    Abandon();
    target_ = target;
    FileHandle file(
        ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return Failed();
    temp_ = temp;
    return true;
}

bool ReplacingFile::Failed() {
    error_ = ::GetLastError();
    return false;
}

bool ReplacingFile::Write(const char* data, std::size_t size) {
    if (temp_.empty()) return false;
    if (!file_) {
        file_.reset(
            ::CreateFileW(temp_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file_) return Failed();
    }
    buffer_.append(data, size);
    return buffer_.size() < kBufferBytes || Flush();
}

bool ReplacingFile::Flush() {
    DWORD written = 0;
    const bool ok = buffer_.empty() ||
                    (::WriteFile(file_.get(), buffer_.data(), static_cast<DWORD>(buffer_.size()), &written, nullptr) &&
                     written == buffer_.size());
    buffer_.clear();
    return ok || Failed();
}

bool ReplacingFile::Commit() {
    if (temp_.empty()) return false;
    if (file_) {
        const bool flushed = Flush() && (::FlushFileBuffers(file_.get()) || Failed());
        file_.reset();
        if (!flushed) return false;
    }
    if (!::MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return Failed();
    }
    temp_.clear();
    return true;
}

void ReplacingFile::Abandon() {
    file_.reset();
    buffer_.clear();
    if (!temp_.empty()) ::DeleteFileW(temp_.c_str());
    temp_.clear();
}
