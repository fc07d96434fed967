// Owners for GDI objects and device contexts.
#pragma once

#include <windows.h>

#include "support/handles.h"

namespace handle_traits {
inline void DeleteGdi(HGDIOBJ h) { ::DeleteObject(h); }
inline void DeleteMemoryDc(HDC h) { ::DeleteDC(h); }
}  // namespace handle_traits

using FontHandle = UniqueHandle<handle_traits::NullInvalid<HFONT, handle_traits::DeleteGdi>>;
using BrushHandle = UniqueHandle<handle_traits::NullInvalid<HBRUSH, handle_traits::DeleteGdi>>;
using BitmapHandle = UniqueHandle<handle_traits::NullInvalid<HBITMAP, handle_traits::DeleteGdi>>;
// A device context of CreateCompatibleDC (not one of GetDC, which is released).
using MemoryDc = UniqueHandle<handle_traits::NullInvalid<HDC, handle_traits::DeleteMemoryDc>>;

// A window's device context of GetDC, given back to the window.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Selects a GDI object into a device context for its scope and puts the
// previous one back, so the object can be deleted afterwards.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? ::SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (previous_) ::SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};
