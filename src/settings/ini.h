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

    void Write(const char* section, const char* key, const std::string& value) const;
    void WriteInt(const char* section, const char* key, int value) const {
        Write(section, key, std::to_string(value));
    }
    void WriteFlag(const char* section, const char* key, bool value) const { WriteInt(section, key, value ? 1 : 0); }

private:
    std::string path_;
};
