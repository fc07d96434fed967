#include "settings/ini.h"

#include <windows.h>

int Ini::Int(const char* section, const char* key, int def) const {
    return static_cast<int>(::GetPrivateProfileIntA(section, key, def, path_.c_str()));
}

std::string Ini::Text(const char* section, const char* key, const std::string& def) const {
    char buffer[4096] = {};
    ::GetPrivateProfileStringA(section, key, def.c_str(), buffer, sizeof buffer, path_.c_str());
    return buffer;
}

bool Ini::Has(const char* section, const char* key) const {
    // A default no INI line can hold tells a missing key from an empty one.
    static const char kMissing[] = "\x01";
    return Text(section, key, kMissing) != kMissing;
}

bool Ini::Write(const char* section, const char* key, const std::string& value) const {
    const bool written = ::WritePrivateProfileStringA(section, key, value.c_str(), path_.c_str()) != FALSE;
    if (!written) failed_ = true;
    return written;
}
