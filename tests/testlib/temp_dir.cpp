#include "testlib/temp_dir.h"

#include <windows.h>

#include <atomic>

#include "support/codepage.h"
#include "support/handles.h"

const wchar_t kAccentedHangul[] = L"Jos\u00E9 \uD55C\uAD6D";
const wchar_t kEmojiName[] = L"\U0001F600コメント";
const wchar_t kHangulName[] = L"\uD55C\uAD6D\uC5B4";
const wchar_t kChineseName[] = L"\u5F39\u5E55";

namespace {
void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(folder.c_str());
}
}  // namespace

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    wchar_t base[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, base);
    widePath_ = std::wstring(base) + L"kometori-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(counter++);
    path_ = WideToAnsi(widePath_);
    RemoveTree(widePath_);
    ::CreateDirectoryW(widePath_.c_str(), nullptr);
}

TempDir::~TempDir() { RemoveTree(widePath_); }

std::string LongJapaneseFolder(const std::string& base) {
    // Characters of two bytes each; the lengths are counted in characters.
    const std::wstring pattern = L"予告編ソース表示の能力構成と十の申告";
    const int room = 188 - static_cast<int>(AnsiToWide(base).size()) - 3;
    std::string folder = base;
    for (int i = 0; i < 3; ++i) {
        std::wstring name;
        const int length = room / 3 + (i < room % 3 ? 1 : 0);
        while (static_cast<int>(name.size()) < length - 1) name += pattern[name.size() % pattern.size()];
        name += i % 2 ? L'表' : L'ソ';
        folder += "\\" + WideToAnsi(name);
    }
    return folder;
}

bool FileExists(const std::string& path) { return FileExists(AnsiToWide(path)); }

std::string ReadFileBytes(const std::wstring& path) {
    std::string bytes;
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file) return bytes;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}
std::string ReadFileBytes(const std::string& path) { return ReadFileBytes(AnsiToWide(path)); }

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    FileHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}
void WriteFileBytes(const std::string& path, const std::string& bytes) { WriteFileBytes(AnsiToWide(path), bytes); }

bool MakeFolder(const std::wstring& path) { return ::CreateDirectoryW(path.c_str(), nullptr) != FALSE; }

std::vector<std::wstring> ListFolder(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return names;
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    for (const std::wstring& name : ListFolder(AnsiToWide(folder))) names.push_back(WideToAnsi(name));
    return names;
}
