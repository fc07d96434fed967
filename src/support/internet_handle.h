// The owner of a WinINet handle (session, connection, request).
#pragma once

#include <windows.h>
#include <wininet.h>

#include "support/handles.h"

namespace handle_traits {
inline void CloseInternet(HINTERNET h) { ::InternetCloseHandle(h); }
}  // namespace handle_traits

using InternetHandle = UniqueHandle<handle_traits::NullInvalid<HINTERNET, handle_traits::CloseInternet>>;
