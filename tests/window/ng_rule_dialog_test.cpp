// The NG rule dialog (108) and the check mark of the rules, in the real main
// window: what OK checks and writes, what leaving writes (nothing), the keys,
// files that are not yet UTF-8 or not there.
#include "window/ng_rule_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "ng/ng_rule_file.h"
#include "resources/resource.h"
#include "support/codepage.h"
#include "support/window.h"
#include "testlib/main_window_fixture.h"
#include "testlib/messages.h"

namespace {

const char kTitle[] = "NGルールの編集";
const char kLeaveQuestion[] = "NGルールの変更を保存せずに閉じますか？";

class NgRuleDialogTest : public ::testing::Test, public MainWindowFixture {
protected:
    // Opens the dialog from the settings menu while `user` works in it on a
    // thread of its own; returns when the dialog has closed.
    void WithDialog(const std::function<void(HWND dialog)>& user) {
        TestThread thread([&] {
            HWND dialog = nullptr;
            if (PumpMessagesUntil([&] { return (dialog = FindDialog(kTitle)) != nullptr; })) user(dialog);
        });
        Command(IDM_EDIT_NG_RULES);  // modal
        EXPECT_TRUE(thread.Wait());
    }
    static HWND Box(HWND dialog) { return GetDlgItem(dialog, IDC_NG_RULES); }
    // Pasted over the whole text, as the user does.
    static void Type(HWND dialog, const std::wstring& text) {
        SendMessageW(Box(dialog), EM_SETSEL, 0, -1);
        SendMessageW(Box(dialog), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    }
    static void Press(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    // On the user's thread: the message box answered and gone.
    bool WaitBoxes(std::size_t count) {
        return PumpMessagesUntil([&] { return boxes.Texts().size() >= count && !FindDialog(App().programName); });
    }

    std::string rules = dir.File("Kometori-ng.txt");
    std::wstring widePath = AnsiToWide(rules);
};

TEST_F(NgRuleDialogTest, OkNamesABadLineAndStaysThenWritesTheGoodOnes) {
    WriteFileBytes(rules, u8"\xEF\xBB\xBF# 荒らし\nｗｗｗ\n");  // a byte-order mark, LF
    ASSERT_TRUE(Open());
    LineCapture log;
    const std::wstring bad = L"# 予告\r\nソース\r\n re:(abc\r\nuser:Xk3_pQ9-zR\r\n";
    const std::wstring good = L"# 予告\r\nソース\r\n\uD55C\uAE00\r\n\U0001F408\r\nre:^表+$\r\nuser:Xk3_pQ9-zR\r\n";
    std::wstring shown, path;
    DWORD from = 0, to = 0;
    bool stayed = false;
    WithDialog([&](HWND dialog) {
        shown = WideWindowText(Box(dialog));
        path = WideWindowText(GetDlgItem(dialog, IDC_NG_PATH));
        Type(dialog, bad);
        Press(dialog, IDOK);
        if (!WaitBoxes(1)) return;
        stayed = IsWindow(dialog) && IsWindowVisible(dialog);
        SendMessageW(Box(dialog), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        Type(dialog, good);
        Press(dialog, IDOK);
        PumpMessagesUntil([&] { return !IsWindow(dialog); });
    });
    EXPECT_EQ(shown, L"# 荒らし\r\nｗｗｗ\r\n");
    EXPECT_EQ(path, widePath);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0].rfind(
                  "NGルールに正しくない行があります。\n\n3 行目: re:(abc (正規表現が正しくありません: ", 0),
              0u)
        << boxes.Texts()[0];
    EXPECT_TRUE(stayed);
    EXPECT_EQ(from, bad.find(L" re:"));
    EXPECT_EQ(to, bad.find(L"\r\nuser:")) << "the whole line selected";

    // UTF-8 with CR LF, the mark kept; the loader reads every rule back.
    EXPECT_EQ(ReadFileBytes(rules), "\xEF\xBB\xBF" + WideToUtf8(good));
    NgRuleSet loaded;
    ASSERT_TRUE(LoadNgRules(widePath, loaded));
    ASSERT_EQ(loaded.Size(), 5u);
    EXPECT_EQ(loaded.RuleText(1), good.substr(good.find(L"\uD55C"), 2));
    EXPECT_EQ(loaded.RuleText(2), good.substr(good.find(L"\U0001F408"), 2));
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"NGルールを保存しました: " + rules});
}

enum class Leave { CancelButton, EscapeKey, CloseBox };

struct LeaveRow {
    const char* name;
    Leave how;
    bool change;
    std::vector<int> answers;  // to the question, one per attempt
};

TEST_F(NgRuleDialogTest, LeavingWritesNothing) {
    const std::string before = u8"# 荒らし\r\nｗｗｗ\r\n";
    WriteFileBytes(rules, before);
    ASSERT_TRUE(Open());
    const LeaveRow rows[] = {
        {"キャンセル after a change: いいえ stays, はい leaves", Leave::CancelButton, true, {IDNO, IDYES}},
        {"Esc in the box after a change", Leave::EscapeKey, true, {IDYES}},
        {"the close box, nothing changed", Leave::CloseBox, false, {}},
    };
    for (const LeaveRow& row : rows) {
        SCOPED_TRACE(row.name);
        boxes.Clear();
        std::vector<bool> open;  // after each answer
        WithDialog([&](HWND dialog) {
            if (row.change) Type(dialog, L"ｗｗｗ\r\n予告\r\n");
            for (std::size_t attempt = 0; attempt < std::max<std::size_t>(row.answers.size(), 1); ++attempt) {
                if (!row.answers.empty()) boxes.SetButton(row.answers[attempt]);
                switch (row.how) {
                    case Leave::CancelButton: Press(dialog, IDCANCEL); break;
                    case Leave::EscapeKey: PostMessageW(Box(dialog), WM_KEYDOWN, VK_ESCAPE, 0); break;
                    case Leave::CloseBox: PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
                }
                if (!row.answers.empty() && !WaitBoxes(attempt + 1)) return;
                // Wine hides an ended dialog within two seconds (it waits for the X server).
                PumpMessagesUntil([&] { return !IsWindowVisible(dialog); }, 3000);
                open.push_back(IsWindowVisible(dialog) != FALSE);
            }
        });
        std::vector<bool> expected(std::max<std::size_t>(row.answers.size(), 1), false);
        if (row.answers.size() > 1) expected[0] = true;
        EXPECT_EQ(open, expected);
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>(row.answers.size(), kLeaveQuestion));
        EXPECT_EQ(ReadFileBytes(rules), before);
    }
}

// Enter in the box is a new line, not OK; Tab leaves the box for OK.
TEST_F(NgRuleDialogTest, EnterIsANewLineAndTabLeavesTheBox) {
    WriteFileBytes(rules, u8"ｗｗｗ\r\n");
    ASSERT_TRUE(Open());
    const DWORD windowThread = GetCurrentThreadId();
    std::wstring afterEnter;
    HWND focusAfterTab = nullptr, ok = nullptr;
    boxes.SetButton(IDYES);
    WithDialog([&](HWND dialog) {
        auto focus = [&] {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            GetGUIThreadInfo(windowThread, &info);
            return info.hwndFocus;
        };
        ok = GetDlgItem(dialog, IDOK);
        PumpMessagesUntil([&] { return focus() == Box(dialog); });
        PostMessageW(Box(dialog), WM_KEYDOWN, VK_RETURN, 0);
        PumpMessagesUntil([&] { return WideWindowText(Box(dialog)).size() > 5; });
        afterEnter = WideWindowText(Box(dialog));
        PostMessageW(Box(dialog), WM_KEYDOWN, VK_TAB, 0);
        PumpMessagesUntil([&] { return focus() != Box(dialog); });
        focusAfterTab = focus();
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(afterEnter, L"\r\nｗｗｗ\r\n");
    EXPECT_EQ(focusAfterTab, ok);
    EXPECT_EQ(ReadFileBytes(rules), u8"ｗｗｗ\r\n");
}

struct FileRow {
    const char* name;
    const wchar_t* ruleFile;         // [ng] RuleFile
    const wchar_t* file;             // the rule file's name
    const char* bytes;               // null: no file
    const wchar_t* shown;            // the box's text at start
    std::vector<std::string> notes;  // message boxes before OK
    const wchar_t* typed;            // null: OK on what is shown
    const char* written;             // UTF-8
};

TEST_F(NgRuleDialogTest, FilesNotInUtf8OrNotThereYet) {
    const FileRow rows[] = {
        // Saved by an editor in code page 932 (this file's narrow literals are).
        {"code page 932",
         L"",
         L"Kometori-ng.txt",
         "ソース\r\n表\n",
         L"ソース\r\n表\r\n",
         {"NGルールのファイルが UTF-8 ではないため、ANSI (Shift_JIS) として読み込みました。\nOK を押すと UTF-8 "
          "で保存します。"},
         nullptr,
         u8"ソース\r\n表\r\n"},
        // Named as code page 932 cannot spell it: the path stays wide to the file system.
        {"RuleFile names one not made yet",
         L"予告ルール\U0001F63A한글.txt",
         L"予告ルール\U0001F63A한글.txt",
         nullptr,
         L"",
         {},
         L"予告\r\nmail:shita",
         u8"予告\r\nmail:shita"},
    };
    ASSERT_TRUE(Open());
    for (const FileRow& row : rows) {
        SCOPED_TRACE(row.name);
        const std::wstring path = dir.File(std::wstring(row.file));
        if (row.bytes) WriteFileBytes(path, row.bytes);
        App().settings.ng.RuleFile = row.ruleFile;
        boxes.Clear();
        std::wstring shown;
        WithDialog([&](HWND dialog) {
            if (!WaitBoxes(row.notes.size())) return;
            shown = WideWindowText(Box(dialog));
            if (row.typed) Type(dialog, row.typed);
            Press(dialog, IDOK);
            PumpMessagesUntil([&] { return !IsWindow(dialog); });
        });
        EXPECT_EQ(shown, row.shown);
        EXPECT_EQ(boxes.Texts(), row.notes);
        EXPECT_EQ(ReadFileBytes(path), row.written);
    }
}

// A folder in the rule file's place: said so, and no dialog to lose edits in.
TEST_F(NgRuleDialogTest, ARuleFileThatCannotBeReadOpensNoDialog) {
    CreateDirectoryA(rules.c_str(), nullptr);
    ASSERT_TRUE(Open());
    Command(IDM_EDIT_NG_RULES);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0].rfind("NGルールのファイルを読み込めません。\n\n" + rules + "\n(", 0), 0u);
    EXPECT_EQ(FindDialog(kTitle), nullptr);
    RemoveDirectoryA(rules.c_str());
}

// The mark is [ng] Apply: flipped by the item, written when the window closes.
TEST_F(NgRuleDialogTest, TheApplyMarkIsTheSettingAndIsSavedOnClose) {
    ASSERT_TRUE(Open("[ng]\r\nApply=1\r\n"));
    EXPECT_TRUE(MenuChecked(IDM_APPLY_NG_RULES));
    for (bool expected : {false, true, false}) {
        Command(IDM_APPLY_NG_RULES);
        EXPECT_EQ(MenuChecked(IDM_APPLY_NG_RULES), expected);
        EXPECT_EQ(App().settings.NgRuleChoice().apply, expected) << "what the next export takes";
    }
    Command(IDM_EXIT);
    EXPECT_EQ(IniValue("ng", "Apply"), "0");
}

}  // namespace
