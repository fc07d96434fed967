#include "export/text_writer.h"

#include "settings/settings.h"
#include "support/codepage.h"
#include "support/text.h"

namespace {
constexpr std::size_t kBufferedBytes = 64 * 1024;
}

bool TextLineWriter::Open(const std::wstring& path, bool buffered) {
    Close();
    file_.reset(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    lastError_ = file_ ? 0 : ::GetLastError();
    buffered_ = buffered;
    return static_cast<bool>(file_);
}

bool TextLineWriter::WriteLine(const std::wstring& line) {
    // Line breaks become CR LF before the encoding: in UTF-16 nothing else can match.
    std::wstring broken;
    const std::wstring& text =
        line.find(L'\n') == std::wstring::npos ? line : ReplaceAllWide(broken = line, L"\n", L"\r\n");
    if (App().settings.TextOutUTF8) {
        AppendUtf8(text, pending_);
    } else {
        AppendAnsi(text, pending_);
    }
    pending_ += "\r\n";
    if (buffered_ && pending_.size() < kBufferedBytes) return true;
    return WritePending();
}

bool TextLineWriter::WritePending() {
    if (pending_.empty()) return true;
    DWORD written = 0;
    const bool ok = ::WriteFile(file_.get(), pending_.data(), static_cast<DWORD>(pending_.size()), &written, nullptr) &&
                    written == pending_.size();
    if (!ok) lastError_ = ::GetLastError();
    pending_.clear();  // keeps its room from line to line
    return ok;
}

bool TextLineWriter::Close() {
    const bool ok = !file_ || WritePending();
    file_.reset();
    pending_.clear();
    return ok;
}
