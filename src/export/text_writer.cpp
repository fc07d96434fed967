#include "export/text_writer.h"

#include <cstring>

#include "support/codepage.h"

namespace {
// Lines are encoded in blocks of about this many UTF-16 units, and the bytes
// go to the system in writes of about this size (under Wine both cost little
// per call but much per small call).
constexpr std::size_t kBlockUnits = 32 * 1024;
constexpr std::size_t kBufferedBytes = 256 * 1024;
}  // namespace

bool TextLineWriter::Open(const std::wstring& path, bool buffered) {
    Close();
    file_.reset(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    lastError_ = file_ ? 0 : ::GetLastError();
    buffered_ = buffered;
    return static_cast<bool>(file_);
}

bool TextLineWriter::WriteLine(const std::wstring& line) {
    const bool utf8 = utf8Setting_ && *utf8Setting_;
    if (utf8 != utf8_) {
        Encode();  // the lines before in their own encoding
        utf8_ = utf8;
    }
    // Line breaks become CR LF before the encoding: in UTF-16 nothing else can match.
    const wchar_t* at = line.data();
    const wchar_t* const end = at + line.size();
    for (;;) {
        const wchar_t* feed = at;
        while (feed != end && *feed != L'\n') ++feed;
        lines_.append(at, static_cast<std::size_t>(feed - at));
        lines_ += L"\r\n";
        if (feed == end) break;
        at = feed + 1;
    }
    lineEnds_.push_back(lines_.size());
    if (buffered_ && lines_.size() < kBlockUnits) return true;
    Encode();
    if (buffered_ && byteCount_ < kBufferedBytes) return true;
    return WritePending();
}

void TextLineWriter::Encode() {
    if (lines_.empty()) return;
    const std::size_t need = byteCount_ + lines_.size() * 3;
    if (need > byteRoom_) {
        std::unique_ptr<char[]> grown(new char[need]);
        if (byteCount_ > 0) std::memcpy(grown.get(), bytes_.get(), byteCount_);
        bytes_ = std::move(grown);
        byteRoom_ = need;
    }
    std::size_t written = EncodeUnits(lines_.data(), lines_.size(), utf8_, bytes_.get() + byteCount_);
    if (written == 0) {
        // Line by line, so that only a line that fails is lost (written empty, logged).
        std::string line;
        std::size_t start = 0;
        for (std::size_t end : lineEnds_) {
            line.clear();
            const std::wstring text(lines_, start, end - 2 - start);
            if (utf8_) {
                AppendUtf8(text, line);
            } else {
                AppendAnsi(text, line);
            }
            line += "\r\n";
            std::memcpy(bytes_.get() + byteCount_ + written, line.data(), line.size());
            written += line.size();
            start = end;
        }
    }
    byteCount_ += written;
    lines_.clear();
    lineEnds_.clear();
}

bool TextLineWriter::WritePending() {
    if (byteCount_ == 0) return true;
    DWORD written = 0;
    const bool ok = ::WriteFile(file_.get(), bytes_.get(), static_cast<DWORD>(byteCount_), &written, nullptr) &&
                    written == byteCount_;
    if (!ok) lastError_ = ::GetLastError();
    byteCount_ = 0;
    return ok;
}

bool TextLineWriter::Close() {
    Encode();
    const bool ok = !file_ || WritePending();
    file_.reset();
    byteCount_ = 0;
    return ok;
}

bool TextLineWriter::Discard() {
    lines_.clear();
    lineEnds_.clear();
    byteCount_ = 0;
    const bool ok =
        !file_ || (::SetFilePointer(file_.get(), 0, nullptr, FILE_BEGIN) == 0 && ::SetEndOfFile(file_.get()));
    if (!ok) lastError_ = ::GetLastError();
    file_.reset();
    return ok;
}
