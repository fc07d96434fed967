// The user's questions answered with the window program's dialogs, owned by
// the main window and run on the asking (worker) thread. A job that has been
// asked to stop asks nothing more: its window may already be idle.
#pragma once

#include <windows.h>

#include <atomic>

#include "acquisition/prompts.h"

class WindowPrompts : public UserPrompts {
public:
    explicit WindowPrompts(HWND owner) : owner_(owner) {}
    void SetOwner(HWND owner) { owner_ = owner; }

    void ShowSignInNotice() override;
    // The login dialog (104).
    bool RunLoginDialog() override;
    // Dialog 105. "Yes" with the box ticked also checks the owner's menu item
    // "常に上書き保存する(&A)".
    OverwriteChoice AskOverwrite(const std::wstring& path, bool& alwaysOverwrite) override;
    bool ChooseSaveAs(const std::wstring& filter, std::wstring& path) override;

private:
    std::atomic<HWND> owner_;
};
