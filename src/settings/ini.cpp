#include "settings/ini.h"

#include <windows.h>

#include "settings/ini_path.h"
#include "support/codepage.h"

namespace {

// UTF-16 units of a value read, its zero included; longer ones are cut.
constexpr DWORD kValueUnits = 4096;

std::wstring Name(const char* ascii) { return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii)); }

// The form the file keeps the path in: as it is when the code page holds it.
std::wstring StoredPath(const std::wstring& path) {
    if (FitsAnsi(path) && !NeedsEscaping(path)) return path;
    return EscapeIniPath(path, [](wchar_t c) { return FitsAnsi(std::wstring(1, c)); });
}

}  // namespace

std::wstring Ini::Value(const char* section, const char* key, const std::wstring& def) const {
    std::wstring value(kValueUnits, L'\0');
    const DWORD length = ::GetPrivateProfileStringW(Name(section).c_str(), Name(key).c_str(), def.c_str(), &value[0],
                                                    kValueUnits, path_.c_str());
    value.resize(length);
    return value;
}

bool Ini::WriteValue(const char* section, const char* key, const std::wstring& value) const {
    const bool written =
        ::WritePrivateProfileStringW(Name(section).c_str(), Name(key).c_str(), value.c_str(), path_.c_str()) != FALSE;
    if (!written) failed_ = true;
    return written;
}

int Ini::Int(const char* section, const char* key, int def) const {
    return static_cast<int>(::GetPrivateProfileIntW(Name(section).c_str(), Name(key).c_str(), def, path_.c_str()));
}

// The code page's texts pass through UTF-16 as the narrow functions pass them.
std::string Ini::Text(const char* section, const char* key, const std::string& def) const {
    return WideToAnsi(Value(section, key, AnsiToWide(def)));
}

bool Ini::Has(const char* section, const char* key) const {
    // A default no INI line can hold tells a missing key from an empty one.
    static const wchar_t kMissing[] = L"\x01";
    return Value(section, key, kMissing) != kMissing;
}

std::wstring Ini::Path(const char* section, const char* key, const std::wstring& def) const {
    const std::wstring stored = Value(section, key, StoredPath(def));
    std::wstring path;
    return UnescapeIniPath(stored, path) ? path : stored;
}

bool Ini::Write(const char* section, const char* key, const std::string& value) const {
    return WriteValue(section, key, AnsiToWide(value));
}

bool Ini::WritePath(const char* section, const char* key, const std::wstring& path) const {
    return CanKeepPath(path) && WriteValue(section, key, StoredPath(path));
}

bool Ini::CanKeepPath(const std::wstring& path) { return StoredPath(path).size() < kValueUnits; }
