#include "support/spool_file.h"

bool SpoolFile::Create() {
    // Wide: the temp folder lies under the user's profile, whose name may hold any character.
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t path[MAX_PATH] = {};
    const DWORD size = ::GetTempPathW(MAX_PATH + 1, folder);
    // GetTempFileName takes folders of MAX_PATH - 14 characters at most.
    if (size == 0 || size > MAX_PATH - 14 || !::GetTempFileNameW(folder, L"kmh", 0, path)) return false;
    file_.reset(::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file_) {
        ::DeleteFileW(path);
        return false;
    }
    path_ = path;
    return true;
}
