// The questions the fetch asks the user. The main window answers them with its
// dialogs; without a window (console companion, tests) another implementation
// answers, so the acquisition logic never touches window code.
#pragma once

#include <string>

enum class OverwriteChoice { Overwrite, SaveAs, Cancel };

class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    // "Please sign in" notice, shown when no account is stored.
    virtual void ShowSignInNotice() = 0;
    // The login dialog: true when the user signed in with it.
    virtual bool RunLoginDialog() = 0;

    // The overwrite question for an existing file. alwaysOverwrite comes back
    // true when the user ticked "always overwrite" and answered yes.
    virtual OverwriteChoice AskOverwrite(const std::wstring& path, bool& alwaysOverwrite) = 0;
    // The save-as dialog; filter is the platform filter format (pairs of
    // zero-terminated texts). False when cancelled.
    virtual bool ChooseSaveAs(const std::wstring& filter, std::wstring& path) = 0;
};

// Answers without a window: no account to offer, never overwrites, never
// chooses another name.
class WindowlessPrompts : public UserPrompts {
public:
    void ShowSignInNotice() override {}
    bool RunLoginDialog() override { return false; }
    OverwriteChoice AskOverwrite(const std::wstring&, bool&) override { return OverwriteChoice::Cancel; }
    bool ChooseSaveAs(const std::wstring&, std::wstring&) override { return false; }
};

// The prompts used by the current process (the window sets its own at start).
UserPrompts& Prompts();
void SetPrompts(UserPrompts* prompts);
