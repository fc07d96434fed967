// One INI file through the private-profile functions. The file's path is
// UTF-16 (the start folder may hold any character); the values stay in the
// ANSI code page as the file has always held them, and paths the code page
// lacks characters of are kept escaped (settings/ini_path.h).
#pragma once

#include <string>

class Ini {
public:
    explicit Ini(const std::wstring& path) : path_(path) {}

    int Int(const char* section, const char* key, int def) const;
    bool Flag(const char* section, const char* key, bool def) const { return Int(section, key, def ? 1 : 0) != 0; }
    std::string Text(const char* section, const char* key, const std::string& def) const;
    bool Has(const char* section, const char* key) const;
    // A path, as WritePath stores it.
    std::wstring Path(const char* section, const char* key, const std::wstring& def) const;

    // False when the file could not be written; Failed() remembers it.
    bool Write(const char* section, const char* key, const std::string& value) const;
    bool WriteInt(const char* section, const char* key, int value) const {
        return Write(section, key, std::to_string(value));
    }
    bool WriteFlag(const char* section, const char* key, bool value) const {
        return WriteInt(section, key, value ? 1 : 0);
    }
    // Writes the path in the form that reads back as the same path. Writes
    // nothing and returns false when no form can (CanKeepPath).
    bool WritePath(const char* section, const char* key, const std::wstring& path) const;

    // A path the file can keep: its stored form is not longer than a value
    // may be when read.
    static bool CanKeepPath(const std::wstring& path);

    // A write through this object failed.
    bool Failed() const { return failed_; }

private:
    std::wstring Value(const char* section, const char* key, const std::wstring& def) const;
    bool WriteValue(const char* section, const char* key, const std::wstring& value) const;

    std::wstring path_;
    mutable bool failed_ = false;
};
