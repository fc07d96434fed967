// What reading comment files asks of the platform: the bytes of a file, and
// the Japanese multi-byte code pages. The Windows build answers with
// CreateFile, ReadFile and MultiByteToWideChar (reader_platform_win.cpp); the
// rest of the reader builds without windows.h, so that it can be fuzzed and
// profiled natively against stand-ins of these few calls.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

class FileBytes {
public:
    virtual ~FileBytes() = default;
    // Up to room bytes into out (got is 0 at the end of the file). False on a
    // read error, error saying why.
    virtual bool Read(char* out, std::size_t room, std::size_t& got, std::string& error) = 0;
};

// Sees every byte of a file as the reader reads it, once and in order (the
// data export hashes its inputs so, without reading them twice).
class ByteWatcher {
public:
    virtual ~ByteWatcher() = default;
    virtual void Seen(const char* bytes, std::size_t size) = 0;
};

// Counts them, for a progress told in bytes read.
class ByteCounter : public ByteWatcher {
public:
    void Seen(const char*, std::size_t size) override { bytes_ += size; }
    unsigned long long Bytes() const { return bytes_; }

private:
    unsigned long long bytes_ = 0;
};

// Null when the file cannot be opened; error says why. The path is the file
// system's name, UTF-16 units whatever the width of wchar_t.
std::unique_ptr<FileBytes> OpenFileBytes(const std::wstring& path, std::string& error);

enum class JapaneseCode { ShiftJis, EucJp };

// Appends the UTF-8 form of bytes that hold whole characters of the code page.
// False, with nothing appended, when any of them is no character of it: a
// broken character is never replaced, and never takes the byte after it along.
bool AppendJapaneseAsUtf8(JapaneseCode code, const char* bytes, std::size_t size, std::string& out);
