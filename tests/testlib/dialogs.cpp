#include "testlib/dialogs.h"

#include <process.h>

#include <algorithm>

#include "settings/settings.h"

namespace {

struct Search {
    std::string title;
    HWND found = nullptr;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    char className[32] = {};
    ::GetClassNameA(window, className, sizeof className);
    if (process != ::GetCurrentProcessId() || !::IsWindowVisible(window) || std::string(className) != "#32770") {
        return TRUE;
    }
    // Not GetWindowText: it would wait for the window's thread, which may be
    // the test's, waiting for this one.
    wchar_t wide[256] = {};
    ::InternalGetWindowText(window, wide, 256);
    char title[512] = {};
    ::WideCharToMultiByte(CP_ACP, 0, wide, -1, title, sizeof title, nullptr, nullptr);
    if (search->title == title) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindDialog(const std::string& title) {
    Search search{title};
    ::EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
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
