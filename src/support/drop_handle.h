// The owner of the files of a WM_DROPFILES, let go when handled.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "support/handles.h"

namespace handle_traits {
inline void FinishDrop(HDROP h) { ::DragFinish(h); }
}  // namespace handle_traits

using DropHandle = UniqueHandle<handle_traits::NullInvalid<HDROP, handle_traits::FinishDrop>>;
