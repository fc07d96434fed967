// Switches the browser's system-wide proxy (the current user's "ProxyEnable")
// off while a fetch job runs, when AlwaysDirectConnection asks for it, and on
// again when the job ends, however it ends. Exchanges opened with the system's
// internet settings then go out directly; page reads and the sign-in have
// routes of their own.
//
// Besides the process-wide flag, a mark under the program's own key records the
// change, so that a process that died while the proxy was off cannot leave the
// user's browser without its proxy: the next start switches it back.
#pragma once

#include <windows.h>

#include <string>

#include "jobs/proxy_mark.h"

extern const char kProxyEnablePath[];
// "HKEY_CURRENT_USER\Software\<program>\ProxySwitchedOff": the process that
// switched the proxy off, as FormatProxyMark writes it. A mark of an earlier
// version is a REG_DWORD of the id alone.
std::string ProxyMarkPath();

// The calling process as a mark names it.
ProxyMarkOwner CurrentProcessMarkOwner();
// The mark as it stands; false when there is none or it cannot be read.
bool ReadProxyMark(ProxyMarkOwner& owner);

// At the start of a fetch job: 1 becomes 0 when AlwaysDirectConnection is on.
// Any other value, a missing value or a closed key changes nothing. True when
// the job holds the switch: it then calls SwitchProxyBack at its end. A job
// that starts while another holds it holds it too.
bool SwitchProxyOff();
// At the end of a job that held the switch: 1 again once no job holds it.
void SwitchProxyBack();

// A job's hold on the switch, given back on every way out of the job.
class ProxySwitchedOffForJob {
public:
    ProxySwitchedOffForJob() : held_(SwitchProxyOff()) {}
    ~ProxySwitchedOffForJob() {
        if (held_) SwitchProxyBack();
    }
    ProxySwitchedOffForJob(const ProxySwitchedOffForJob&) = delete;
    ProxySwitchedOffForJob& operator=(const ProxySwitchedOffForJob&) = delete;

private:
    bool held_;
};

// At program start: a mark left by a process that no longer runs switches the
// proxy back and logs the note. Call it once the info window exists.
void RestoreProxyAtStart();
// At program exit, after the workers were asked to stop: a proxy still
// switched off goes back to 1, whoever holds it.
void RestoreProxyAtExit();
