// One value of the registry, named by a single path text such as
// "HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings\ProxyEnable".
// The key that holds it is opened when the object is made and closed with it.
#pragma once

#include <windows.h>

#include <string>

#include "support/handles.h"

class RegistryValue {
public:
    enum class Open {
        Existing,   // open the key only when it exists
        CreateKey,  // create the key (not the value) when it is missing
    };

    // The first component names the root ("HKEY_CURRENT_USER", exact case), the
    // last the value; those between form the sub key. Empty components are dropped.
    explicit RegistryValue(const std::string& path, Open mode = Open::Existing);

    bool IsOpen() const { return static_cast<bool>(key_); }
    const std::string& RootName() const { return rootName_; }
    const std::string& SubKey() const { return subKey_; }
    const std::string& ValueName() const { return valueName_; }

    // 0 when not open or the value is missing.
    DWORD ValueType() const;
    DWORD ValueSize() const;
    // Reads ValueSize() bytes into the buffer.
    bool ReadData(void* buffer) const;
    // The value when it is a REG_DWORD; 0 otherwise.
    DWORD ReadDword() const;

    // Creates the value or replaces it, type included.
    bool WriteData(DWORD type, const void* data, DWORD size);
    // Only over an existing REG_DWORD: never creates a value or changes its type.
    bool WriteDword(DWORD value);
    // True when the value is gone afterwards (also when it was never there).
    bool Delete();
    bool Flush();

private:
    RegKey key_;
    std::string rootName_;
    std::string subKey_;
    std::string valueName_;
};
