#include "support/window.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "support/codepage.h"
#include "support/com.h"
#include "support/gdi_handles.h"
#include "support/handles.h"
#include "support/text.h"

std::string WindowText(HWND window) {
    int length = ::GetWindowTextLengthA(window);
    if (length < 0) length = 0;
    // The reported length may overestimate for double-byte text; the text
    // ends at its terminating zero.
    std::vector<char> buffer(static_cast<size_t>(length) + 2, '\0');
    ::GetWindowTextA(window, buffer.data(), length + 1);
    return buffer.data();
}

std::wstring WideWindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, &text[0], static_cast<int>(text.size()))));
    return text;
}

namespace {
RECT WindowRect(HWND window) {
    RECT rect{};
    if (!::GetWindowRect(window, &rect)) rect = RECT{};
    return rect;
}
}  // namespace

int WindowLeft(HWND window) { return WindowRect(window).left; }

int WindowTop(HWND window) { return WindowRect(window).top; }

int WindowWidth(HWND window) {
    RECT rect = WindowRect(window);
    return rect.right - rect.left;
}

int WindowHeight(HWND window) {
    RECT rect = WindowRect(window);
    return rect.bottom - rect.top;
}

int ScaleToScreen(int pixelsAt96) {
    const WindowDc screen(nullptr);
    const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return ::MulDiv(pixelsAt96, dpi > 0 ? dpi : 96, 96);
}

void MoveWindowTo(HWND window, int x, int y) { ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER); }

void ResizeWindow(HWND window, int width, int height) {
    ::SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

void SetWindowBand(HWND window, HWND insertAfter) {
    // Activating would undo a move into the topmost band under Wine.
    ::SetWindowPos(window, insertAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void AddBorder(HWND window) {
    LONG_PTR style = ::GetWindowLongPtrA(window, GWL_STYLE);
    ::SetWindowLongPtrA(window, GWL_STYLE, style | WS_BORDER);
    ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
}

bool IsMenuItemChecked(HMENU menu, UINT command) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    if (!::GetMenuItemInfoA(menu, command, FALSE, &info)) return false;
    return (info.fState & MFS_CHECKED) != 0;
}

void ToggleMenuCheck(HMENU menu, UINT command) {
    ::CheckMenuItem(menu, command, MF_BYCOMMAND | (IsMenuItemChecked(menu, command) ? MF_UNCHECKED : MF_CHECKED));
}

void SetMenuCheck(HMENU menu, UINT command, bool checked) {
    ::CheckMenuItem(menu, command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void SetMenuItemEnabled(HMENU menu, UINT command, bool enabled) {
    ::EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

bool IsMenuItemEnabled(HMENU menu, UINT command) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    if (!::GetMenuItemInfoA(menu, command, FALSE, &info)) return false;
    return (info.fState & MFS_DISABLED) == 0;
}

void SelectAllOnFocus(HWND edit) {
    ::SetFocus(edit);
    ::PostMessageA(edit, EM_SETSEL, 0, -1);
}

namespace {
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM initialFolder) {
    if (message == BFFM_INITIALIZED && initialFolder) {
        ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, initialFolder);
    }
    return 0;
}
}  // namespace

int BrowseSaveFolder(HWND owner, const char* title, const std::wstring& initialFolder, std::wstring& result) {
    result.clear();
    const std::wstring wideTitle = AnsiToWide(title);
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = wideTitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(initialFolder.c_str());
    // The folder dialog is made of COM objects; the thread has COM only while it is open.
    const ComInit com;
    const CoTaskMemory item(::SHBrowseForFolderW(&info));
    if (!item) return 0;
    wchar_t path[MAX_PATH] = {};
    const BOOL found = ::SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(item.get()), path);
    if (found) result = path;
    return found ? 1 : 0;
}

namespace {
bool ChooseFile(HWND owner, const std::wstring& filter, std::wstring& path, bool save, const wchar_t* extension,
                DWORD* filterIndex = nullptr) {
    std::wstring buffer(kLongestPath, L'\0');
    path.copy(&buffer[0], std::min(path.size(), buffer.size() - 1));
    OPENFILENAMEW ofn{};
    // The record without the later extensions, which every system accepts.
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    if (filterIndex) ofn.nFilterIndex = *filterIndex;
    ofn.lpstrFile = &buffer[0];
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrDefExt = extension;
    ofn.Flags = save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST;
    const ComInit com;  // the dialog shows the shell's folders
    BOOL chosen = save ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn);
    path = chosen ? buffer.c_str() : L"";
    if (chosen && filterIndex) *filterIndex = ofn.nFilterIndex;
    return chosen != FALSE;
}
}  // namespace

bool ChooseOpenFile(HWND owner, const std::wstring& filter, std::wstring& path) {
    return ChooseFile(owner, filter, path, false, nullptr);
}

bool ChooseSaveFile(HWND owner, const std::wstring& filter, std::wstring& path, const wchar_t* extension) {
    return ChooseFile(owner, filter, path, true, extension);
}

bool ChooseSaveFile(HWND owner, const std::wstring& filter, std::wstring& path, DWORD& filterIndex,
                    const wchar_t* extension) {
    return ChooseFile(owner, filter, path, true, extension, &filterIndex);
}

std::vector<std::wstring> DroppedFiles(HDROP drop) {
    std::vector<std::wstring> files;
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(::DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(::DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        if (!path.empty()) files.push_back(std::move(path));
    }
    return files;
}

namespace {
// The clipboard, open for the scope.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) : open_(::OpenClipboard(owner) != FALSE) {}
    ~OpenClipboardScope() {
        if (open_) ::CloseClipboard();
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    explicit operator bool() const { return open_; }

private:
    bool open_;
};
}  // namespace

bool CopyToClipboard(HWND owner, const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    GlobalMemory memory(::GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) return false;
    void* at = ::GlobalLock(memory.get());
    if (!at) return false;
    std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(at));
    ::GlobalUnlock(memory.get());
    OpenClipboardScope clipboard(owner);
    if (!clipboard || !::EmptyClipboard() || !::SetClipboardData(CF_UNICODETEXT, memory.get())) return false;
    memory.release();  // the clipboard's now
    return true;
}

ToolTips::ToolTips(HWND parent, HINSTANCE instance, DWORD styles) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    tips_ = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, styles, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, parent, nullptr, instance, nullptr);
    tool_.cbSize = TTTOOLINFOA_V1_SIZE;
    tool_.uFlags = TTF_SUBCLASS;
    if (tips_) ::SendMessageA(tips_, TTM_SETMAXTIPWIDTH, 0, ::GetSystemMetrics(SM_CXSCREEN));
}

ToolTips::~ToolTips() {
    // The tips die with their owner window; only a live one is destroyed here.
    if (tips_ && ::IsWindow(tips_)) ::DestroyWindow(tips_);
}

void ToolTips::AddTool(HWND tool, const char* text) {
    if (!tips_) return;
    ::GetClientRect(tool, &tool_.rect);
    tool_.hwnd = tool;
    tool_.uId = 0;
    tool_.hinst = nullptr;
    tool_.lpszText = const_cast<char*>(text);
    ::SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool_));
}

void ToolTips::SetBackgroundColour(COLORREF colour) { ::SendMessageA(tips_, TTM_SETTIPBKCOLOR, colour, 0); }

void ToolTips::SetTextColour(COLORREF colour) { ::SendMessageA(tips_, TTM_SETTIPTEXTCOLOR, colour, 0); }
