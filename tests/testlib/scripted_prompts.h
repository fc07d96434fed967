// Answers the user's questions as a test scripts them, and counts them.
#pragma once

#include "acquisition/prompts.h"

class ScriptedPrompts : public UserPrompts {
public:
    OverwriteChoice choice = OverwriteChoice::Cancel;
    bool tick = false;        // "always overwrite" ticked with the answer
    bool saveAsOk = true;     // the save-as dialog is not cancelled
    std::wstring saveAsName;  // what the save-as dialog gives
    bool loginResult = false;
    int asked = 0;
    int notices = 0;
    int logins = 0;
    std::wstring filterSeen;

    void ShowSignInNotice() override { ++notices; }
    bool RunLoginDialog() override {
        ++logins;
        return loginResult;
    }
    OverwriteChoice AskOverwrite(const std::wstring&, bool& always) override {
        ++asked;
        always = tick;
        return choice;
    }
    bool ChooseSaveAs(const std::wstring& filter, std::wstring& path) override {
        filterSeen = filter;
        path = saveAsName;
        return saveAsOk;
    }
};

// Installs the prompts for a scope.
class ScopedPrompts {
public:
    explicit ScopedPrompts(UserPrompts& prompts) { SetPrompts(&prompts); }
    ~ScopedPrompts() { SetPrompts(nullptr); }
};
