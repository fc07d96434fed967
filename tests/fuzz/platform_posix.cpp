// Stand-ins for the comment reader's few platform calls, for the native fuzz
// build: files through stdio, the Japanese code pages through glibc's iconv.
// The product's Windows build uses src/comments/reader_platform_win.cpp.
#include <iconv.h>

#include <cerrno>
#include <cstdio>

#include "comments/reader_platform.h"

namespace {

class StdioFileBytes : public FileBytes {
public:
    explicit StdioFileBytes(std::FILE* file) : file_(file) {}
    ~StdioFileBytes() override { std::fclose(file_); }

    bool Read(char* out, std::size_t room, std::size_t& got, std::string& error) override {
        got = std::fread(out, 1, room, file_);
        if (got == 0 && std::ferror(file_)) {
            error = "ファイルを読み込めません (" + std::to_string(errno) + ")";
            return false;
        }
        return true;
    }

private:
    std::FILE* file_;
};

// One converter per code page for the process, as the fuzzer runs one input at a time.
iconv_t Converter(JapaneseCode code) {
    static iconv_t sjis = iconv_open("UTF-8", "CP932");
    static iconv_t euc = iconv_open("UTF-8", "EUC-JP");
    return code == JapaneseCode::ShiftJis ? sjis : euc;
}

}  // namespace

std::unique_ptr<FileBytes> OpenFileBytes(const std::wstring& path, std::string& error) {
    // The fuzz targets name their scratch files in ASCII.
    std::FILE* file = std::fopen(std::string(path.begin(), path.end()).c_str(), "rb");
    if (!file) {
        error = "ファイルを開けません (" + std::to_string(errno) + ")";
        return nullptr;
    }
    return std::make_unique<StdioFileBytes>(file);
}

bool AppendJapaneseAsUtf8(JapaneseCode code, const char* bytes, std::size_t size, std::string& out) {
    iconv_t converter = Converter(code);
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    const std::size_t at = out.size();
    out.resize(at + size * 3);  // no byte of either code page becomes more than three
    char* in = const_cast<char*>(bytes);
    std::size_t inLeft = size;
    char* to = &out[at];
    std::size_t toLeft = out.size() - at;
    const bool ok = iconv(converter, &in, &inLeft, &to, &toLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
    out.resize(ok ? static_cast<std::size_t>(to - out.data()) : at);
    return ok;
}
