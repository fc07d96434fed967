#include "support/files.h"

#include "support/codepage.h"
#include "support/handles.h"

bool SameFile(const std::string& a, const std::string& b) { return SameFile(AnsiToWide(a), AnsiToWide(b)); }

bool SameFile(const std::wstring& a, const std::wstring& b) {
    auto identify = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
        FileHandle file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return file && ::GetFileInformationByHandle(file.get(), &info);
    };
    BY_HANDLE_FILE_INFORMATION first{}, second{};
    return identify(a, first) && identify(b, second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

bool PathExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);  // cut short: a longer buffer
    }
    return path.substr(0, path.find_last_of(L'\\'));
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    auto full = [](const std::wstring& path) {
        std::wstring result(::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
        const DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(result.size()), &result[0], nullptr);
        result.resize(n < result.size() ? n : 0);
        return result;
    };
    const std::wstring fullA = full(a), fullB = full(b);
    return SameFile(a, b) || (!fullA.empty() && ::CompareStringOrdinal(fullA.c_str(), static_cast<int>(fullA.size()),
                                                                        fullB.c_str(), static_cast<int>(fullB.size()),
                                                                        TRUE) == CSTR_EQUAL);
}
