// Kometori.exe as the user starts it, in a folder of its own: what it says at
// start and how it ends.
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "support/codepage.h"
#include "support/text.h"
#include "support/window.h"
#include "testlib/messages.h"
#include "testlib/proxy_registry.h"
#include "testlib/site_test.h"
#include "testlib/temp_dir.h"
#include "testlib/window_program.h"

namespace {

const char kRestoredNote[] = "※前回の終了時に無効化したままだったIEのプロクシ設定を元に戻しました";

class ProgramTest : public SiteTest {
protected:
    // The site's hosts, the stand-in's premium account, no version check.
    void WriteIni(const std::string& main, const std::string& info = "") { WriteIniIn(dir_.WidePath(), main, info); }
    void WriteIniIn(const std::wstring& folder, const std::string& main, const std::string& info = "") {
        WriteFileBytes(folder + L"\\Kometori.ini",
                       "[site]\r\nMainHost=" + StandinMainHost() + "\r\nSecureHost=" + StandinSecureHost() +
                           "\r\n[main]\r\nNotifyVersionUp=0\r\nMail=premium@kometori.test\r\nPass=p&ss+w%rd=1\r\n" +
                           main + "[info]\r\n" + info);
    }
    HWND ShownMainWindow(WindowProgram& program) {
        HWND main = nullptr;
        PumpMessagesUntil([&] { return (main = program.Window("CKometori")) && IsWindowVisible(main); }, 30000);
        return main;
    }
    // Closes the window and waits for the program's end. Right after a fetch
    // the job's thread may still be on its way out, and closing then asks
    // whether to end: "はい" ends it all the same.
    DWORD CloseProgram(WindowProgram& program, HWND main) {
        PostMessageA(main, WM_CLOSE, 0, 0);
        HWND box = nullptr;
        if (PumpMessagesUntil([&] { return (box = program.Box()) != nullptr || !IsWindow(main); }, 30000) && box) {
            PostMessageA(box, WM_COMMAND, IDYES, 0);
        }
        return program.WaitForExit();
    }
    // Fetches with the button and answers the outcome; the message, or "" when none came.
    std::string FetchAndAnswer(WindowProgram& program, HWND main) {
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_FETCH, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(main, IDC_FETCH)));
        HWND box = nullptr;
        if (!PumpMessagesUntil([&] { return (box = program.Box()) != nullptr; }, 60000)) return "";
        const std::string text = WindowText(GetDlgItem(box, 0xFFFF));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        PumpMessagesUntil([&] { return WindowText(main) == "Kometori"; });
        return text;
    }

    TempDir dir_;
};

// The note of the restore comes after the info window exists, so the user reads it.
TEST_F(ProgramTest, AProxyLeftOffByAProcessThatDiedIsRestoredAndSaidInTheInfoWindow) {
    ProxyRegistryState registry;
    ProxyRegistryState::Set(0);
    ProxyRegistryState::SetMark(ProxyMarkOwner{0xFFFFFFF0, 133500000000000000ull});
    WriteIni("", "ViewInfoWindow=1\r\n");
    WindowProgram program(dir_.Path());
    ASSERT_TRUE(program.Started());
    HWND main = ShownMainWindow(program);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(PumpMessagesUntil([&] { return ContainsText(program.InfoText(), kRestoredNote); }, 10000))
        << program.InfoText();
    EXPECT_EQ(ProxyRegistryState::Get(), 1u);
    EXPECT_EQ(ProxyRegistryState::MarkType(), 0u);
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
}

// A normal end after a fetch: the workers' owner goes in a defined order.
TEST_F(ProgramTest, AfterAFetchTheProgramEndsCleanly) {
    WriteIni("URL=sm9\r\nSavePath=" + dir_.Path() + "\r\nFilenameFormat=%thread%\r\n");
    WindowProgram program(dir_.Path());
    HWND main = ShownMainWindow(program);
    ASSERT_NE(main, nullptr);
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_FETCH, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(main, IDC_FETCH)));
    HWND box = nullptr;
    ASSERT_TRUE(PumpMessagesUntil([&] { return (box = program.Box()) != nullptr; }, 60000)) << program.InfoText();
    EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)), "コメントファイルを保存しました。\n\n" + dir_.File("sm9.xml"));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(PumpMessagesUntil([&] { return WindowText(main) == "Kometori"; }));
    EXPECT_EQ(CloseProgram(program, main), 0u);
    EXPECT_TRUE(FileExists(dir_.File("sm9.xml")));
    EXPECT_NE(ReadFileBytes(dir_.File("Kometori.ini")).find("CompleteBeep="), std::string::npos) << "settings saved";
}

// Started from a user folder the code page cannot spell, as "C:\\Users\\José 한국":
// the INI file there is read, the default save folder lies there, and what the
// program writes at its end is read at the next start.
TEST_F(ProgramTest, StartedFromAFolderOfOtherScripts) {
    const std::wstring start = dir_.File(kAccentedHangul);
    const std::wstring down = start + L"\\Down";
    ASSERT_TRUE(MakeFolder(start));
    WriteIniIn(start, "URL=sm9\r\nFilenameFormat=%thread%\r\n");
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        WindowProgram program(start);
        HWND main = ShownMainWindow(program);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(program.ControlText(IDC_URL), L"sm9");
        EXPECT_EQ(program.ControlText(IDC_SAVEPATH), down);
        if (run == 0) {
            EXPECT_EQ(FetchAndAnswer(program, main),
                      "コメントファイルを保存しました。\n\n" + ShownPath(down + L"\\sm9.xml"));
            EXPECT_TRUE(FileExists(down + L"\\sm9.xml"));
        }
        EXPECT_EQ(CloseProgram(program, main), 0u);
        EXPECT_NE(ReadFileBytes(start + L"\\Kometori.ini").find("\r\nSavePath=*utf16*"), std::string::npos);
    }
}

// A save folder typed in the box, character by character through the
// program's message loop: the fetch saves there and the next start shows it.
TEST_F(ProgramTest, TypedSaveFolderOfOtherScriptsIsUsedAndKept) {
    const std::wstring parent = dir_.File(kAccentedHangul);
    const std::wstring folder = parent + L"\\" + kEmojiName + L" " + kChineseName;  // made by the fetch
    ASSERT_TRUE(MakeFolder(parent));
    WriteIni("URL=sm9\r\nFilenameFormat=%thread%\r\n");
    {
        WindowProgram program(dir_.Path());
        HWND main = ShownMainWindow(program);
        ASSERT_NE(main, nullptr);
        HWND box = GetDlgItem(main, IDC_SAVEPATH);
        SendMessageW(box, EM_SETSEL, 0, -1);
        for (const wchar_t c : folder) PostMessageW(box, WM_CHAR, c, 0);
        ASSERT_TRUE(PumpMessagesUntil([&] { return program.ControlText(IDC_SAVEPATH) == folder; }));
        EXPECT_EQ(FetchAndAnswer(program, main),
                  "コメントファイルを保存しました。\n\n" + ShownPath(folder + L"\\sm9.xml"));
        EXPECT_TRUE(FileExists(folder + L"\\sm9.xml"));
        EXPECT_EQ(CloseProgram(program, main), 0u);
    }
    WindowProgram program(dir_.Path());
    HWND main = ShownMainWindow(program);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(program.ControlText(IDC_SAVEPATH), folder);
    EXPECT_EQ(CloseProgram(program, main), 0u);
}

}  // namespace
