#include "jobs/proxy_override.h"

#include <windows.h>

#include <mutex>

#include "infolog/info_log.h"
#include "settings/settings.h"
#include "support/handles.h"
#include "support/registry.h"

const char kProxyEnablePath[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ProxyEnable";

namespace {

// A job's worker and the main thread at exit may both reach for the switch.
std::mutex& SwitchMutex() {
    static std::mutex mutex;
    return mutex;
}

bool ProcessRunning(DWORD id) {
    KernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    DWORD code = 0;
    return process && ::GetExitCodeProcess(process.get(), &code) && code == STILL_ACTIVE;
}

// Value 1, the flag cleared, the mark removed: a failed write is not retried.
void SwitchBackLocked() {
    {
        RegistryValue proxy(kProxyEnablePath);
        proxy.WriteDword(1);
        proxy.Flush();
    }
    App().proxySwitchedOff = false;
    RegistryValue mark(ProxyMarkPath());
    mark.Delete();
    mark.Flush();
}

}  // namespace

std::string ProxyMarkPath() { return "HKEY_CURRENT_USER\\Software\\" + App().programName + "\\ProxySwitchedOff"; }

void SwitchProxyOff() {
    if (!App().settings.AlwaysDirectConnection) return;
    std::lock_guard<std::mutex> lock(SwitchMutex());
    RegistryValue proxy(kProxyEnablePath);
    if (proxy.ReadDword() != 1) return;
    // The mark goes first: a crash right after the switch must find it.
    {
        RegistryValue mark(ProxyMarkPath(), RegistryValue::Open::CreateKey);
        const DWORD self = ::GetCurrentProcessId();
        mark.WriteData(REG_DWORD, &self, sizeof self);
        mark.Flush();
    }
    if (proxy.WriteDword(0)) {
        proxy.Flush();
        App().proxySwitchedOff = true;
    } else {
        RegistryValue(ProxyMarkPath()).Delete();
    }
}

void SwitchProxyBack() {
    std::lock_guard<std::mutex> lock(SwitchMutex());
    if (App().proxySwitchedOff) SwitchBackLocked();
}

void RestoreProxyAtStart() {
    std::lock_guard<std::mutex> lock(SwitchMutex());
    RegistryValue mark(ProxyMarkPath());
    if (mark.ValueType() != REG_DWORD) return;
    const DWORD owner = mark.ReadDword();
    // Another Kometori (the window program or the console companion) may be
    // fetching right now with the proxy off: its own end switches it back.
    if (owner != ::GetCurrentProcessId() && ProcessRunning(owner)) return;
    SwitchBackLocked();
    InfoLog << "※前回の終了時に無効化したままだったIEのプロクシ設定を元に戻しました" << EndLine;
}

void RestoreProxyAtExit() { SwitchProxyBack(); }
