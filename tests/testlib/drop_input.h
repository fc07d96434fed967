// Input that reaches a window as it comes from the system: files dropped by
// the shell and keys held on the keyboard.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Posts WM_DROPFILES with a DROPFILES block in global memory holding the
// paths as UTF-16, as the shell builds it; the receiver releases it.
void PostFileDrop(HWND window, const std::vector<std::wstring>& paths);
void PostFileDrop(HWND window, const std::vector<std::string>& paths);
void PostFileDrop(HWND window, const std::vector<std::wstring>& paths);

// Holds the virtual keys down (SendInput) for its lifetime; 0 holds nothing.
class HeldKey {
public:
    explicit HeldKey(WORD key);
    ~HeldKey();
    HeldKey(const HeldKey&) = delete;
    HeldKey& operator=(const HeldKey&) = delete;

private:
    WORD key_;
};
