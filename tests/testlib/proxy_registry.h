// The prefix's ProxyEnable value and the program's mark, set by tests and put
// back as they were afterwards. Without a ProxyServer value in the prefix a
// ProxyEnable of 1 changes no route, so test programs running beside never notice.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "jobs/proxy_override.h"
#include "settings/settings.h"
#include "support/registry.h"

class ProxyRegistryState {
public:
    ProxyRegistryState() : savedType_(RegistryValue(kProxyEnablePath).ValueType()) {
        RegistryValue value(kProxyEnablePath);
        savedData_.resize(value.ValueSize());
        if (!savedData_.empty()) value.ReadData(savedData_.data());
        Clean();
    }
    ~ProxyRegistryState() {
        Clean();
        RegistryValue value(kProxyEnablePath, RegistryValue::Open::CreateKey);
        if (savedType_ == 0) {
            value.Delete();
        } else {
            value.WriteData(savedType_, savedData_.data(), static_cast<DWORD>(savedData_.size()));
        }
    }
    // Creates or replaces ProxyEnable as a REG_DWORD.
    static void Set(DWORD enabled) {
        RegistryValue(kProxyEnablePath, RegistryValue::Open::CreateKey).WriteData(REG_DWORD, &enabled, sizeof enabled);
    }
    static DWORD Get() { return RegistryValue(kProxyEnablePath).ReadDword(); }
    static DWORD MarkType() { return RegistryValue(ProxyMarkPath()).ValueType(); }
    // The process the mark names; id 0 without a mark.
    static ProxyMarkOwner MarkOwner() {
        ProxyMarkOwner owner;
        ReadProxyMark(owner);
        return owner;
    }
    static void SetMark(const ProxyMarkOwner& owner) {
        const std::string text = FormatProxyMark(owner);
        RegistryValue(ProxyMarkPath(), RegistryValue::Open::CreateKey)
            .WriteData(REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    // The mark of an earlier version: the process id alone.
    static void SetIdOnlyMark(DWORD owner) {
        RegistryValue(ProxyMarkPath(), RegistryValue::Open::CreateKey).WriteData(REG_DWORD, &owner, sizeof owner);
    }

private:
    void Clean() {
        RegistryValue(ProxyMarkPath()).Delete();
        App().proxySwitchedOff = false;
    }
    DWORD savedType_;
    std::vector<BYTE> savedData_;
};
