#include "testlib/drop_input.h"

#include <shlobj.h>

#include <cstring>

#include "support/codepage.h"

void PostFileDrop(HWND window, const std::vector<std::string>& paths) {
    std::vector<std::wstring> wide;
    for (const std::string& path : paths) wide.push_back(AnsiToWide(path));
    PostFileDrop(window, wide);
}

void PostFileDrop(HWND window, const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const std::wstring& path : paths) list += path + L'\0';
    list += L'\0';
    const SIZE_T size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* files = static_cast<DROPFILES*>(::GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    std::memcpy(files + 1, list.data(), list.size() * sizeof(wchar_t));
    ::GlobalUnlock(memory);
    ::PostMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

namespace {
void SendKey(WORD key, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = flags;
    ::SendInput(1, &input, sizeof input);
}
}  // namespace

HeldKey::HeldKey(WORD key) : key_(key) {
    if (key_) SendKey(key_, 0);
}

HeldKey::~HeldKey() {
    if (key_) SendKey(key_, KEYEVENTF_KEYUP);
}
