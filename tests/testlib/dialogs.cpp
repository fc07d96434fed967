#include "testlib/dialogs.h"

#include <process.h>

#include <commctrl.h>
#include <dlgs.h>
#include <shlobj.h>

#include <algorithm>

#include "settings/settings.h"

namespace {

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<std::pair<const std::function<bool(HWND)>*, HWND>*>(param);
    if (!(*search->first)(window)) return TRUE;
    search->second = window;
    return FALSE;
}

// A visible dialog (message boxes too).
bool IsShownDialog(HWND window) { return ::IsWindowVisible(window) && ClassOf(window) == "#32770"; }

// A file dialog: a dialog of the owner that is not a message box.
bool IsFileDialogOf(HWND window, HWND owner) {
    return ::GetWindow(window, GW_OWNER) == owner && IsShownDialog(window) && !::GetDlgItem(window, 0xFFFF) &&
           ::GetDlgItem(window, IDOK);
}

// The folder browser fills its tree after it shows, later still on a busy
// machine, and a selection sent before that is lost: it took when the tree's
// current item moved from the folder the browser started in.
bool SelectInFolderBrowser(HWND dialog, const std::wstring& path) {
    const HWND tree = ::FindWindowExW(dialog, nullptr, WC_TREEVIEWW, nullptr);
    const HTREEITEM start = tree ? TreeView_GetSelection(tree) : nullptr;
    if (!start) return false;
    ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
    const HTREEITEM now = TreeView_GetSelection(tree);
    return now && now != start;
}

}  // namespace

HWND FindTopLevelWindow(const std::function<bool(HWND window)>& match) {
    std::pair<const std::function<bool(HWND)>*, HWND> search{&match, nullptr};
    ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    return process;
}

HWND FindDialog(const std::string& title) {
    return FindTopLevelWindow([&](HWND window) {
        if (ProcessOf(window) != ::GetCurrentProcessId() || !IsShownDialog(window)) return false;
        // Not GetWindowText: it would wait for the window's thread, which may be
        // the test's, waiting for this one.
        wchar_t wide[256] = {};
        ::InternalGetWindowText(window, wide, 256);
        char text[512] = {};
        ::WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        return title == text;
    });
}

std::string MessageBoxText(HWND box) {
    char text[2048] = {};
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

MessageBoxAnswerer::MessageBoxAnswerer() {
    stop_.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    thread_.reset(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &MessageBoxAnswerer::Run, this, 0, nullptr)));
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    ::SetEvent(stop_.get());
    ::WaitForSingleObject(thread_.get(), 10000);
}

void MessageBoxAnswerer::SetButton(int button) {
    std::lock_guard<std::mutex> lock(mutex_);
    button_ = button;
}

void MessageBoxAnswerer::OnBox(std::function<void(HWND)> onBox) {
    std::lock_guard<std::mutex> lock(mutex_);
    onBox_ = std::move(onBox);
}

std::vector<std::string> MessageBoxAnswerer::Texts() {
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_;
}

void MessageBoxAnswerer::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    texts_.clear();
}

unsigned __stdcall MessageBoxAnswerer::Run(void* self) {
    auto* answerer = static_cast<MessageBoxAnswerer*>(self);
    while (::WaitForSingleObject(answerer->stop_.get(), 20) == WAIT_TIMEOUT) answerer->Poll();
    return 0;
}

void MessageBoxAnswerer::Poll() {
    HWND box = FindDialog(App().programName);
    if (!box || !::GetDlgItem(box, 0xFFFF)) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (std::find(answered_.begin(), answered_.end(), box) != answered_.end() && ::IsWindow(box)) {
        // Answered already; it is on its way out.
        return;
    }
    answered_.push_back(box);
    if (onBox_) onBox_(box);
    texts_.push_back(MessageBoxText(box));
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(button_, BN_CLICKED), 0);
}

FileDialogAnswer::FileDialogAnswer(HWND owner, std::vector<FileAnswer> answers)
    : owner_(owner), answers_(std::move(answers)) {
    thread_.reset(reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &FileDialogAnswer::Run, this, 0, nullptr)));
}

FileDialogAnswer::~FileDialogAnswer() { ::WaitForSingleObject(thread_.get(), 10000); }

bool FileDialogAnswer::Answered() const {
    return ::WaitForSingleObject(thread_.get(), 0) == WAIT_OBJECT_0 && answered_;
}

unsigned __stdcall FileDialogAnswer::Run(void* self) {
    auto* answer = static_cast<FileDialogAnswer*>(self);
    HWND last = nullptr;
    std::size_t done = 0;
    for (int i = 0; i < 500 && done < answer->answers_.size(); ++i, ::Sleep(20)) {
        // The next dialog: the last one answered may still be closing.
        const HWND dialog =
            FindTopLevelWindow([&](HWND window) { return window != last && IsFileDialogOf(window, answer->owner_); });
        if (!dialog) continue;
        const FileAnswer& next = answer->answers_[done];
        if (next.path.empty()) {
            ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        } else {
            if (next.type > 0) {
                HWND types = ::GetDlgItem(dialog, cmb1);
                ::SendMessageA(types, CB_SETCURSEL, next.type - 1, 0);
                // As a pick with the mouse; Wine's dialog takes the type at CBN_SELENDOK.
                for (const WORD code : {CBN_SELCHANGE, CBN_SELENDOK}) {
                    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(cmb1, code), reinterpret_cast<LPARAM>(types));
                }
            }
            // The name box: a combo box in the newer dialogs, an edit box in the older.
            HWND name = ::GetDlgItem(dialog, cmb13);
            if (!name) name = ::GetDlgItem(dialog, edt1);
            if (name) {
                ::SetWindowTextW(name, next.path.c_str());
            } else if (!SelectInFolderBrowser(dialog, next.path) && i < 250) {
                continue;  // its tree is not filled yet: OK now would pick the folder it started in
            }
            ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        }
        last = dialog;
        ++done;
    }
    answer->answered_ = done == answer->answers_.size();
    return 0;
}
