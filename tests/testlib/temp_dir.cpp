#include "testlib/temp_dir.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <fstream>
#include <sstream>

#include "support/codepage.h"
#include "support/handles.h"

namespace {
void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(path.c_str());
            }
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryA(folder.c_str());
}
}  // namespace

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    char base[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, base);
    std::ostringstream name;
    name << base << "kometori-test-" << ::GetCurrentProcessId() << "-" << counter++;
    path_ = name.str();
    RemoveTree(path_);
    ::CreateDirectoryA(path_.c_str(), nullptr);
}

TempDir::~TempDir() { RemoveTree(path_); }

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

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    return names;
}
