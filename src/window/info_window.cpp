#include "window/info_window.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "resources/resource.h"
#include "support/gdi_handles.h"
#include "support/handles.h"
#include "support/window.h"

namespace {

const char kClassName[] = "CBaseDebug";
const char kPageProperty[] = "CBaseDebug";
const char kWindowTitle[] = "情報ウィンドウ";
constexpr int kTabStripId = 16;
constexpr int kTextBoxId = 1;
// Pixels at 96 dots per inch, scaled to the screen's (ScaleToScreen).
constexpr int kTabStripHeight = 26;
constexpr int kFontHeight = 14;
// Posted by writers on other threads: refresh the pages from their shown text.
constexpr UINT kRefreshMessage = WM_APP + 1;

// Shared by all pages; touched only on the window's thread.
struct InfoWindowState {
    bool created = false;
    HWND window = nullptr;
    HWND tabs = nullptr;
    FontHandle font;
    std::vector<CBaseDebug*> pages;  // in tab order
    HWND shownBox = nullptr;
    int pageCount = 0;
    HWND commandTarget = nullptr;
};

InfoWindowState& State() {
    static InfoWindowState state;
    return state;
}

void ShowSelectedPage() {
    InfoWindowState& s = State();
    if (!s.tabs || s.pages.empty()) return;
    int selected = static_cast<int>(::SendMessageA(s.tabs, TCM_GETCURSEL, 0, 0));
    if (selected < 0 || selected >= static_cast<int>(s.pages.size())) {
        // No selection would leave every page hidden.
        selected = 0;
        ::SendMessageA(s.tabs, TCM_SETCURSEL, 0, 0);
    }
    if (s.shownBox) ::ShowWindow(s.shownBox, SW_HIDE);
    s.shownBox = s.pages[selected]->TextBox();
    ::ShowWindow(s.shownBox, SW_SHOW);
}

void OnSize(int width, int height) {
    InfoWindowState& s = State();
    const int tabsHeight = ScaleToScreen(kTabStripHeight);
    if (s.tabs) ::MoveWindow(s.tabs, 0, 0, width, tabsHeight, TRUE);
    int boxHeight = std::max(0, height - tabsHeight);
    for (CBaseDebug* page : s.pages) ::MoveWindow(page->TextBox(), 0, tabsHeight, width, boxHeight, TRUE);
}

void OnClose(HWND window) {
    // The main window owns the shown state and its menu check mark.
    HWND target = State().commandTarget;
    if (target) {
        ::SendMessageA(target, WM_COMMAND, MAKEWPARAM(IDM_INFO_WINDOW, 0), 0);
    } else {
        ::ShowWindow(window, SW_HIDE);
    }
}

void OnDestroy() {
    InfoWindowState& s = State();
    s.created = false;
    s.window = nullptr;
    s.tabs = nullptr;
    s.shownBox = nullptr;
    InfoLog.SetWindow(nullptr);
}

LRESULT CALLBACK InfoWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!::GetPropA(window, kPageProperty)) return ::DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
        case WM_SIZE: OnSize(LOWORD(lParam), HIWORD(lParam)); return 0;
        case WM_CLOSE: OnClose(window); return 0;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == State().tabs && header->code == static_cast<UINT>(TCN_SELCHANGE)) {
                ShowSelectedPage();
                return 0;
            }
            break;
        }
        case kRefreshMessage:
            for (CBaseDebug* page : State().pages) page->Refresh();
            return 0;
        case WM_DESTROY:
            OnDestroy();
            ::PostQuitMessage(0);
            return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

// The window, the tab strip and the font; on failure nothing is kept and the
// next page tries again.
bool CreateInfoWindow(CBaseDebug* firstPage) {
    InfoWindowState& s = State();
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = InfoWindowProc;
    wc.hInstance = instance;
    wc.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_KOMETORI));
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClassName;
    if (!::RegisterClassExA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    HWND window = ::CreateWindowExA(0, kClassName, kWindowTitle, WS_OVERLAPPEDWINDOW, 0, 0, ScaleToScreen(240),
                                    ScaleToScreen(400), nullptr, nullptr, instance, nullptr);
    if (!window) return false;
    ::SetPropA(window, kPageProperty, firstPage);

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&controls);
    HWND tabs = ::CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                                  ScaleToScreen(240), ScaleToScreen(kTabStripHeight), window,
                                  reinterpret_cast<HMENU>(kTabStripId), instance, nullptr);
    if (!tabs) {
        ::RemovePropA(window, kPageProperty);
        ::DestroyWindow(window);
        return false;
    }
    s.font.reset(::CreateFontA(ScaleToScreen(kFontHeight), 0, 0, 0, 100, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_ROMAN,
                               "Tahoma"));
    ::SendMessageA(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(s.font.get()), FALSE);

    s.window = window;
    s.tabs = tabs;
    s.created = true;
    InfoLog.SetWindow(window);
    return true;
}

}  // namespace

std::string PrependLine(const std::string& shown, const std::string& line) {
    std::string text;
    text.reserve(line.size() + 2 + shown.size());
    text.append(line).append("\r\n").append(shown);
    // The byte count is what an ANSI edit box reports as its length. The new
    // line stays above the notice: it may be the error the user was called for.
    if (text.size() > kInfoTextLimit) text = line + "\r\n" + kBufferClearedNotice;
    return text;
}

CBaseDebug::CBaseDebug(const std::string& caption) : caption_(caption) {
    InfoWindowState& s = State();
    ++s.pageCount;
    if (!s.created) CreateInfoWindow(this);
    if (s.created) {
        window_ = s.window;
        textBox_ = ::CreateWindowExA(
            0, "EDIT", "",
            WS_CHILD | WS_VSCROLL | WS_HSCROLL | ES_READONLY | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_MULTILINE, 0,
            ScaleToScreen(kTabStripHeight), ScaleToScreen(232), ScaleToScreen(346), s.window,
            reinterpret_cast<HMENU>(kTextBoxId), ::GetModuleHandleA(nullptr), nullptr);
        if (textBox_) {
            ::SendMessageA(textBox_, WM_SETFONT, reinterpret_cast<WPARAM>(s.font.get()), FALSE);
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = caption_.data();
            ::SendMessageA(s.tabs, TCM_INSERTITEMA, s.pages.size(), reinterpret_cast<LPARAM>(&item));
            s.pages.push_back(this);
            ShowSelectedPage();
        }
    }
    InfoLog.AddSink(this);
}

CBaseDebug::~CBaseDebug() {
    // After this no writer is inside WriteLine any more.
    InfoLog.RemoveSink(this);

    InfoWindowState& s = State();
    auto it = std::find(s.pages.begin(), s.pages.end(), this);
    if (it != s.pages.end()) {
        if (s.tabs) ::SendMessageA(s.tabs, TCM_DELETEITEM, it - s.pages.begin(), 0);
        s.pages.erase(it);
    }
    if (s.shownBox == textBox_) s.shownBox = nullptr;
    if (textBox_ && ::IsWindow(textBox_)) ::DestroyWindow(textBox_);

    if (--s.pageCount > 0) {
        if (!s.shownBox) ShowSelectedPage();
        return;
    }
    if (s.window) {
        // Without the property the window's own destruction does not end the program.
        ::RemovePropA(s.window, kPageProperty);
        ::DestroyWindow(s.window);
        InfoLog.SetWindow(nullptr);
    }
    s.font.reset();
    s.created = false;
    s.window = nullptr;
    s.tabs = nullptr;
    s.shownBox = nullptr;
}

void CBaseDebug::WriteLine(const std::string& line) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        shown_ = PrependLine(shown_, line);
    }
    if (!textBox_) return;
    if (::GetWindowThreadProcessId(window_, nullptr) == ::GetCurrentThreadId()) {
        Refresh();
    } else if (!refreshPosted_.exchange(true)) {
        // Never wait for the window's thread: it may be writing itself, or
        // sitting in a modal loop that waits for this thread.
        if (!::PostMessageA(window_, kRefreshMessage, 0, 0)) refreshPosted_ = false;
    }
}

std::string CBaseDebug::ShownText() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return shown_;
}

void CBaseDebug::Refresh() {
    // Cleared before reading, so a line written meanwhile posts a new refresh.
    refreshPosted_ = false;
    if (!textBox_) return;
    std::string text = ShownText();
    ::SetWindowTextA(textBox_, text.c_str());
}

HWND CBaseDebug::Window() { return State().window; }

void CBaseDebug::SetCommandTarget(HWND target) { State().commandTarget = target; }
