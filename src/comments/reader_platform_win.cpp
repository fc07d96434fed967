// The comment reader's platform on Windows: files through CreateFile and
// ReadFile, the Japanese code pages through MultiByteToWideChar.
#include "comments/reader_platform.h"

#include <windows.h>

#include <algorithm>
#include <climits>

#include "support/codepage.h"
#include "support/handles.h"

namespace {

class WindowsFileBytes : public FileBytes {
public:
    explicit WindowsFileBytes(FileHandle file) : file_(std::move(file)) {}

    bool Read(char* out, std::size_t room, std::size_t& got, std::string& error) override {
        DWORD read = 0;
        if (!::ReadFile(file_.get(), out, static_cast<DWORD>(std::min<std::size_t>(room, 1u << 30)), &read, nullptr)) {
            error = "ファイルを読み込めません (" + std::to_string(::GetLastError()) + ")";
            return false;
        }
        got = read;
        return true;
    }

private:
    FileHandle file_;
};

}  // namespace

std::unique_ptr<FileBytes> OpenFileBytes(const std::wstring& path, std::string& error) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        error = "ファイルを開けません (" + std::to_string(::GetLastError()) + ")";
        return nullptr;
    }
    return std::make_unique<WindowsFileBytes>(std::move(file));
}

bool AppendJapaneseAsUtf8(JapaneseCode code, const char* bytes, std::size_t size, std::string& out) {
    if (size == 0) return true;
    if (size > INT_MAX / 2) return false;
    // Without MB_ERR_INVALID_CHARS a broken character becomes U+30FB and, under
    // Wine, swallows the byte after it.
    const UINT page = code == JapaneseCode::ShiftJis ? 932 : 20932;
    const int length = static_cast<int>(size);
    std::wstring wide(size, L'\0');  // never more UTF-16 units than bytes
    const int units = ::MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes, length, wide.data(), length);
    if (units <= 0) return false;
    wide.resize(static_cast<std::size_t>(units));
    AppendUtf8(wide, out);
    return true;
}
