// Switches the browser's system-wide proxy (the current user's "ProxyEnable")
// off while a fetch job runs, when AlwaysDirectConnection asks for it, and on
// again afterwards. Exchanges opened with the system's internet settings then
// go out directly; page reads and the sign-in have routes of their own.
//
// Besides the process-wide flag, a mark under the program's own key records the
// change, so that a process that died while the proxy was off cannot leave the
// user's browser without its proxy: the next start switches it back.
#pragma once

#include <string>

extern const char kProxyEnablePath[];
// "HKEY_CURRENT_USER\Software\<program>\ProxySwitchedOff": the id of the process
// that switched the proxy off.
std::string ProxyMarkPath();

// At the start of a fetch job: 1 becomes 0 when AlwaysDirectConnection is on.
// Any other value, a missing value or a closed key changes nothing.
void SwitchProxyOff();
// At the end of a job that ran to its end: 1 again when this process switched it off.
void SwitchProxyBack();

// At program start: a mark left by a process that no longer runs switches the proxy back.
void RestoreProxyAtStart();
// At program exit, after the workers were stopped: a proxy still switched off goes back to 1.
void RestoreProxyAtExit();
