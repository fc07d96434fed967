#include "support/registry.h"

#include <vector>

#include "support/codepage.h"

namespace {

HKEY PredefinedKey(const std::string& name) {
    static const struct {
        const char* name;
        HKEY key;
    } kRoots[] = {
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},         {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},       {"HKEY_USERS", HKEY_USERS},
        {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA}, {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    };
    for (const auto& root : kRoots) {
        if (name == root.name) return root.key;
    }
    return nullptr;
}

// Split in UTF-16: a "\" byte may be the second byte of a code page 932 character.
std::vector<std::string> PathComponents(const std::string& path) {
    std::vector<std::string> parts;
    const std::wstring wide = AnsiToWide(path);
    size_t start = 0;
    while (start <= wide.size()) {
        size_t end = wide.find(L'\\', start);
        if (end == std::wstring::npos) end = wide.size();
        if (end > start) parts.push_back(WideToAnsi(wide.substr(start, end - start)));
        start = end + 1;
    }
    return parts;
}

}  // namespace

RegistryValue::RegistryValue(const std::string& path, Open mode) {
    const std::vector<std::string> parts = PathComponents(path);
    if (parts.size() < 2) return;
    rootName_ = parts.front();
    valueName_ = parts.back();
    for (size_t i = 1; i + 1 < parts.size(); ++i) {
        if (!subKey_.empty()) subKey_ += "\\";
        subKey_ += parts[i];
    }
    HKEY root = PredefinedKey(rootName_);
    if (!root) return;
    LONG status;
    if (mode == Open::CreateKey) {
        status = ::RegCreateKeyExA(root, subKey_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                   key_.put(), nullptr);
    } else {
        status = ::RegOpenKeyExA(root, subKey_.c_str(), 0, KEY_ALL_ACCESS, key_.put());
    }
    if (status != ERROR_SUCCESS) key_.release();
}

DWORD RegistryValue::ValueType() const {
    DWORD type = 0;
    if (!key_ ||
        ::RegQueryValueExA(key_.get(), valueName_.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) {
        return 0;
    }
    return type;
}

DWORD RegistryValue::ValueSize() const {
    DWORD size = 0;
    if (!key_ ||
        ::RegQueryValueExA(key_.get(), valueName_.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
        return 0;
    }
    return size;
}

bool RegistryValue::ReadData(void* buffer) const {
    DWORD size = ValueSize();
    if (!key_ || size == 0) return false;
    return ::RegQueryValueExA(key_.get(), valueName_.c_str(), nullptr, nullptr, static_cast<BYTE*>(buffer), &size) ==
           ERROR_SUCCESS;
}

DWORD RegistryValue::ReadDword() const {
    if (ValueType() != REG_DWORD || ValueSize() != sizeof(DWORD)) return 0;
    DWORD value = 0;
    return ReadData(&value) ? value : 0;
}

bool RegistryValue::WriteData(DWORD type, const void* data, DWORD size) {
    if (!key_) return false;
    return ::RegSetValueExA(key_.get(), valueName_.c_str(), 0, type, static_cast<const BYTE*>(data), size) ==
           ERROR_SUCCESS;
}

bool RegistryValue::WriteDword(DWORD value) {
    if (ValueType() != REG_DWORD) return false;
    return WriteData(REG_DWORD, &value, sizeof value);
}

bool RegistryValue::Delete() {
    if (!key_) return false;
    const LONG status = ::RegDeleteValueA(key_.get(), valueName_.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool RegistryValue::Flush() { return key_ && ::RegFlushKey(key_.get()) == ERROR_SUCCESS; }
