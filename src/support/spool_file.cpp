#include "support/spool_file.h"

bool SpoolFile::Create() {
    char folder[MAX_PATH] = {};
    char path[MAX_PATH] = {};
    const DWORD size = ::GetTempPathA(MAX_PATH, folder);
    if (size == 0 || size >= MAX_PATH || !::GetTempFileNameA(folder, "kmh", 0, path)) return false;
    file_.reset(::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file_) {
        ::DeleteFileA(path);
        return false;
    }
    path_ = path;
    return true;
}
