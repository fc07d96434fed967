#include "jobs/proxy_override.h"

#include <mutex>
#include <vector>

#include "infolog/info_log.h"
#include "settings/settings.h"
#include "support/handles.h"
#include "support/registry.h"

const char kProxyEnablePath[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ProxyEnable";

namespace {

// Jobs' workers and the main thread at exit may all reach for the switch.
std::mutex& SwitchMutex() {
    static std::mutex mutex;
    return mutex;
}

// Jobs that hold the switch and have not ended; guarded by SwitchMutex.
int g_holders = 0;

ULONGLONG AsNumber(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool CreationTime(HANDLE process, ULONGLONG& created) {
    FILETIME creation{}, exit{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &creation, &exit, &kernel, &user)) return false;
    created = AsNumber(creation);
    return true;
}

// The process the mark names still runs: the same id, and, when the mark
// knows it, the same creation time.
bool StillRuns(const ProxyMarkOwner& owner) {
    KernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, owner.processId));
    DWORD code = 0;
    if (!process || !::GetExitCodeProcess(process.get(), &code) || code != STILL_ACTIVE) return false;
    if (owner.created == 0) return true;
    ULONGLONG created = 0;
    return CreationTime(process.get(), created) && created == owner.created;
}

// Value 1, the flag cleared, the mark removed: a failed write is not retried.
void SwitchBackLocked() {
    {
        RegistryValue proxy(kProxyEnablePath);
        proxy.WriteDword(1);
        proxy.Flush();
    }
    App().proxySwitchedOff = false;
    g_holders = 0;
    RegistryValue mark(ProxyMarkPath());
    mark.Delete();
    mark.Flush();
}

}  // namespace

std::string ProxyMarkPath() { return "HKEY_CURRENT_USER\\Software\\" + App().programName + "\\ProxySwitchedOff"; }

ProxyMarkOwner CurrentProcessMarkOwner() {
    ProxyMarkOwner owner;
    owner.processId = ::GetCurrentProcessId();
    CreationTime(::GetCurrentProcess(), owner.created);
    return owner;
}

bool ReadProxyMark(ProxyMarkOwner& owner) {
    RegistryValue mark(ProxyMarkPath());
    switch (mark.ValueType()) {
        case REG_DWORD:  // written by an earlier version
            owner = ProxyMarkOwner{mark.ReadDword(), 0};
            return true;
        case REG_SZ: {
            std::vector<char> text(mark.ValueSize() + 1, '\0');
            return mark.ReadData(text.data()) && ParseProxyMark(text.data(), owner);
        }
        default: return false;
    }
}

bool SwitchProxyOff() {
    if (!App().settings.AlwaysDirectConnection) return false;
    std::lock_guard<std::mutex> lock(SwitchMutex());
    // Another job switched it off and still runs: its end no longer switches back alone.
    if (App().proxySwitchedOff) {
        ++g_holders;
        return true;
    }
    RegistryValue proxy(kProxyEnablePath);
    if (proxy.ReadDword() != 1) return false;
    // The mark goes first: a crash right after the switch must find it.
    {
        RegistryValue mark(ProxyMarkPath(), RegistryValue::Open::CreateKey);
        const std::string text = FormatProxyMark(CurrentProcessMarkOwner());
        mark.WriteData(REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
        mark.Flush();
    }
    if (!proxy.WriteDword(0)) {
        RegistryValue(ProxyMarkPath()).Delete();
        return false;
    }
    proxy.Flush();
    App().proxySwitchedOff = true;
    g_holders = 1;
    return true;
}

void SwitchProxyBack() {
    std::lock_guard<std::mutex> lock(SwitchMutex());
    if (g_holders > 0 && --g_holders > 0) return;
    if (App().proxySwitchedOff) SwitchBackLocked();
}

void RestoreProxyAtStart() {
    std::lock_guard<std::mutex> lock(SwitchMutex());
    ProxyMarkOwner owner;
    if (!ReadProxyMark(owner)) return;
    // Another Kometori (the window program or the console companion) may be
    // fetching right now with the proxy off: its own end switches it back.
    if (owner.processId != ::GetCurrentProcessId() && StillRuns(owner)) return;
    SwitchBackLocked();
    InfoLog << "※前回の終了時に無効化したままだったIEのプロクシ設定を元に戻しました" << EndLine;
}

void RestoreProxyAtExit() {
    std::lock_guard<std::mutex> lock(SwitchMutex());
    if (App().proxySwitchedOff) SwitchBackLocked();
}
