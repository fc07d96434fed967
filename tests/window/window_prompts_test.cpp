// The overwrite dialog (105), run on a worker thread as the fetch job does,
// answered by clicking its buttons from the test's thread.
#include "window/window_prompts.h"

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "support/codepage.h"
#include "support/handles.h"
#include "support/window.h"
#include "testlib/messages.h"
#include "testlib/temp_dir.h"

namespace {

HWND FindThreadDialog(DWORD threadId) {
    HWND found = nullptr;
    EnumThreadWindows(
        threadId,
        [](HWND window, LPARAM param) -> BOOL {
            char title[64] = {};
            GetWindowTextA(window, title, sizeof title);
            if (std::string(title) == "ファイルの保存") {
                *reinterpret_cast<HWND*>(param) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string ItemText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

class OverwriteDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner_ = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        menu_ = CreateMenu();
        AppendMenuA(menu_, MF_STRING, IDM_ALWAYS_OVERWRITE, "常に上書き保存する(&A)");
        SetMenu(owner_, menu_);
    }
    void TearDown() override { DestroyWindow(owner_); }

    // Opens the dialog on a worker, lets `answer` act on it, returns the choice.
    OverwriteChoice Ask(const std::function<void(HWND)>& answer, bool& always,
                        const std::wstring& path = L"C:\\Users\\" + std::wstring(kAccentedHangul) + L"\\表示.xml") {
        OverwriteChoice choice = OverwriteChoice::Overwrite;
        WindowPrompts prompts(owner_);
        TestThread worker([&] { choice = prompts.AskOverwrite(path, always); });
        HWND dialog = nullptr;
        EXPECT_TRUE(PumpMessagesUntil([&] { return (dialog = FindThreadDialog(worker.Id())) != nullptr; }));
        if (dialog) answer(dialog);
        EXPECT_TRUE(PumpMessagesUntil([&] { return worker.Finished(); }));
        return choice;
    }
    bool MenuChecked() const { return (GetMenuState(menu_, IDM_ALWAYS_OVERWRITE, MF_BYCOMMAND) & MF_CHECKED) != 0; }

    HWND owner_ = nullptr;
    HMENU menu_ = nullptr;
};

TEST_F(OverwriteDialogTest, ShowsThePathAndYesWithTheBoxTicked) {
    bool always = false;
    std::string shown;
    OverwriteChoice choice = Ask(
        [&](HWND dialog) {
            shown = ItemText(dialog, IDC_OVERWRITE_PATH);
            EXPECT_EQ(ItemText(dialog, IDC_OVERWRITE_YES), "はい");
            EXPECT_EQ(ItemText(dialog, IDC_OVERWRITE_SAVEAS), "名前を付けて保存...");
            EXPECT_EQ(ItemText(dialog, IDC_OVERWRITE_CANCEL), "キャンセル");
            CheckDlgButton(dialog, IDC_OVERWRITE_ALWAYS, BST_CHECKED);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_OVERWRITE_YES, BN_CLICKED), 0);
        },
        always);
    EXPECT_EQ(shown, "C:\\Users\\Jos? ??\\表示.xml") << "\"?\" for what the code page lacks, never a look-alike";
    EXPECT_EQ(choice, OverwriteChoice::Overwrite);
    EXPECT_TRUE(always);
    EXPECT_TRUE(MenuChecked());
}

// A file in a folder of 188 Japanese characters (over 260 bytes) is named in full.
TEST_F(OverwriteDialogTest, LongPathShownWhole) {
    const std::string path =
        LongJapaneseFolder("C:\\users\\kometori") + "\\第十回 能力構成の申告表(sm5200)[24.01.02 03時04分].xml";
    bool always = false;
    std::string shown;
    Ask(
        [&](HWND dialog) {
            shown = ItemText(dialog, IDC_OVERWRITE_PATH);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_OVERWRITE_CANCEL, BN_CLICKED), 0);
        },
        always, AnsiToWide(path));
    EXPECT_GT(path.size(), 400u);
    EXPECT_EQ(shown, path);
}

TEST_F(OverwriteDialogTest, TheBoxCountsOnlyWithYes) {
    for (int button : {IDC_OVERWRITE_SAVEAS, IDC_OVERWRITE_CANCEL}) {
        bool always = false;
        OverwriteChoice choice = Ask(
            [&](HWND dialog) {
                CheckDlgButton(dialog, IDC_OVERWRITE_ALWAYS, BST_CHECKED);
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
            },
            always);
        EXPECT_EQ(choice, button == IDC_OVERWRITE_SAVEAS ? OverwriteChoice::SaveAs : OverwriteChoice::Cancel);
        EXPECT_FALSE(always);
    }
    bool always = false;
    EXPECT_EQ(Ask([](HWND dialog) { PostMessageA(dialog, WM_CLOSE, 0, 0); }, always), OverwriteChoice::Cancel);
    EXPECT_FALSE(MenuChecked());
}

}  // namespace
