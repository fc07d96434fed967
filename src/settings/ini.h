// One INI file through the private-profile functions.
#pragma once

#include <string>

class Ini {
public:
    explicit Ini(const std::string& path) : path_(path) {}

    int Int(const char* section, const char* key, int def) const;
    bool Flag(const char* section, const char* key, bool def) const { return Int(section, key, def ? 1 : 0) != 0; }
    std::string Text(const char* section, const char* key, const std::string& def) const;
    bool Has(const char* section, const char* key) const;

    // False when the file could not be written; Failed() remembers it.
    bool Write(const char* section, const char* key, const std::string& value) const;
    bool WriteInt(const char* section, const char* key, int value) const {
        return Write(section, key, std::to_string(value));
    }
    bool WriteFlag(const char* section, const char* key, bool value) const {
        return WriteInt(section, key, value ? 1 : 0);
    }

    // A write through this object failed.
    bool Failed() const { return failed_; }

private:
    std::string path_;
    mutable bool failed_ = false;
};
