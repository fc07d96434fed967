#include "support/files.h"

#include "support/handles.h"

#include <shlwapi.h>

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

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

unsigned long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return static_cast<unsigned long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

FileStamp StampOf(const std::wstring& path) {
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return stamp;
    stamp.exists = true;
    stamp.size = static_cast<unsigned long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    stamp.written =
        static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
    return stamp;
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

std::wstring ReplaceExtension(const std::wstring& path, const std::wstring& extension) {
    const wchar_t* dot = ::PathFindExtensionW(path.c_str());
    return path.substr(0, static_cast<std::size_t>(dot - path.c_str())) + extension;
}

std::wstring CurrentFolder() {
    // Asked for the length first: the folder may change between the calls, so
    // a longer one is asked for again.
    std::wstring folder;
    for (DWORD size = ::GetCurrentDirectoryW(0, nullptr); size > 0;) {
        folder.assign(size, L'\0');
        const DWORD length = ::GetCurrentDirectoryW(size, &folder[0]);
        if (length < size) {
            folder.resize(length);
            return folder;
        }
        size = length + 1;
    }
    return std::wstring();
}

std::wstring FullPath(const std::wstring& path) {
    std::wstring result(::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    const DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(result.size()), &result[0], nullptr);
    result.resize(n < result.size() ? n : 0);
    return result;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    const std::wstring fullA = FullPath(a), fullB = FullPath(b);
    return SameFile(a, b) ||
           (!fullA.empty() && ::CompareStringOrdinal(fullA.c_str(), static_cast<int>(fullA.size()), fullB.c_str(),
                                                     static_cast<int>(fullB.size()), TRUE) == CSTR_EQUAL);
}
