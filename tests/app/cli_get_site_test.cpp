// kometori-cli get, run as its own process against the stand-in site.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/codepage.h"
#include "support/text.h"
#include "testlib/process.h"
#include "testlib/standin_client.h"
#include "testlib/temp_dir.h"

namespace {

const char kSm9Title[] = "新作アニメ第一話 ひだまり坂の猫たち";

class CliGetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StandinAvailable());
        StandinReset();
        WriteIni("");
    }
    void WriteIni(const std::string& main, const std::string& mail = "premium@kometori.test",
                  const std::string& pass = "p&ss+w%rd=1") {
        ini_ = "[site]\r\nMainHost=" + StandinMainHost() + "\r\nSecureHost=" + StandinSecureHost() +
               "\r\n[main]\r\nMail=" + mail + "\r\nPass=" + pass + "\r\nAccessWait=1\r\n" + main;
        WriteFileBytes(dir_.File("Kometori.ini"), ini_);
    }
    ProgramRun Get(const std::string& arguments) {
        ProgramRun run = RunProgram(BuildProgram("kometori-cli.exe"), "get " + arguments, dir_.Path());
        lines_ = OutputLines(run.output);
        return run;
    }
    // The comment files in the folder, sorted. Each has its text file beside
    // it, and nothing else is there but the INI file.
    std::vector<std::string> SavedPairs(const std::string& folder) {
        std::vector<std::string> comments;
        const auto files = ListFolder(folder);
        for (const auto& name : files) {
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0) comments.push_back(name);
        }
        std::sort(comments.begin(), comments.end());
        for (const auto& name : comments) {
            const std::string text = name.substr(0, name.size() - 3) + "txt";
            EXPECT_NE(std::find(files.begin(), files.end(), text), files.end()) << text;
            EXPECT_NE(ReadFileBytes(folder + "\\" + name).find("<packet>"), std::string::npos) << name;
            EXPECT_FALSE(ReadFileBytes(folder + "\\" + text).empty()) << text;
        }
        const size_t ini = std::count(files.begin(), files.end(), "Kometori.ini");
        EXPECT_EQ(files.size(), 2 * comments.size() + ini) << "left behind beside them";
        return comments;
    }
    bool Printed(const std::string& line) const {
        return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
    }
    int CountPrinted(const std::string& line) const {
        return static_cast<int>(std::count(lines_.begin(), lines_.end(), line));
    }

    TempDir dir_;
    std::string ini_;
    std::vector<std::string> lines_;
};

TEST_F(CliGetTest, SavesWhatTheServerSentUnderTheDefaultName) {
    const std::string out = dir_.File("out");  // missing, parent exists: created
    ProgramRun run = Get("-o \"" + out + "\" sm9");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    ASSERT_GE(lines_.size(), 8u);
    EXPECT_EQ(lines_[0], "-----------------------------");
    EXPECT_EQ(lines_[1], "[コメント 取得開始]");
    EXPECT_EQ(lines_[2], "URL = sm9");
    EXPECT_EQ(lines_[3], "Comment = 250");
    EXPECT_EQ(lines_[4], "SavePath = " + out);
    EXPECT_EQ(lines_[5], "Check URL...");
    EXPECT_EQ(lines_[lines_.size() - 2], "コメントファイルを保存しました");
    EXPECT_EQ(lines_.back(), "全ての処理を完了しました");

    auto files = ListFolder(out);
    ASSERT_EQ(files.size(), 1u);
    const std::string prefix = std::string(kSm9Title) + "(sm9)[";
    EXPECT_EQ(files[0].substr(0, prefix.size()), prefix);
    const std::string saved = ReadFileBytes(out + "\\" + files[0]);
    size_t chats = 0;
    for (size_t at = saved.find("<chat"); at != std::string::npos; at = saved.find("<chat", at + 1)) ++chats;
    EXPECT_EQ(chats, 250u);
    EXPECT_NE(saved.find("<view_counter video=\"0\"/>"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(dir_.File("Kometori.ini")), ini_) << "the INI file is never written";
}

TEST_F(CliGetTest, SeveralAddressesPauseBetween) {
    WriteIni("FilenameFormat=%thread%\r\n");
    ProgramRun run = Get("-n 3 -o \"" + dir_.Path() + "\" \"sm9;;sm1234\"");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(CountPrinted("[コメント 取得開始]"), 2);
    EXPECT_EQ(CountPrinted("待機中...(1秒)"), 1);
    EXPECT_EQ(CountPrinted("※待機時間はiniファイルのAccessWait=で設定できます"), 1);
    EXPECT_EQ(CountPrinted("コメントファイルを保存しました"), 2);
    EXPECT_TRUE(FileExists(dir_.File("sm9.xml")));
    EXPECT_TRUE(FileExists(dir_.File("sm1234.xml")));
}

TEST_F(CliGetTest, ExistingFileNeedsPermission) {
    WriteIni("FilenameFormat=%thread%\r\n");
    WriteFileBytes(dir_.File("sm9.xml"), "old");
    ProgramRun run = Get("-n 3 -o \"" + dir_.Path() + "\" sm9");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_TRUE(Printed("操作を取り消しました"));
    EXPECT_EQ(ReadFileBytes(dir_.File("sm9.xml")), "old");

    run = Get("-y -n 3 -o \"" + dir_.Path() + "\" sm9");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(ReadFileBytes(dir_.File("sm9.xml")), "old");
}

TEST_F(CliGetTest, TextConversionRightAfterTheSave) {
    WriteIni("FilenameFormat=%thread%\r\n");
    ProgramRun run = Get("-t -n 3 -o \"" + dir_.Path() + "\" sm9");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(Printed("[データ抽出 開始]"));
    // The completion message, its line breaks as CR LF on the console.
    auto at = std::find(lines_.begin(), lines_.end(), "コメントファイルを保存しました。");
    ASSERT_LE(at + 4, lines_.end());
    EXPECT_EQ(at[1], "");
    EXPECT_EQ(at[2], dir_.File("sm9.xml"));
    EXPECT_EQ(at[3], dir_.File("sm9.txt"));
    EXPECT_EQ(OutputLines(ReadFileBytes(dir_.File("sm9.txt"))).size(), 3u);
    EXPECT_EQ(lines_.back(), "全ての処理を完了しました");
}

TEST_F(CliGetTest, TextAndSubtitlesAfterTheSave) {
    WriteIni("FilenameFormat=%thread%\r\n[subtitle]\r\nStageWidth=1280\r\nStageHeight=720\r\n");
    ProgramRun run = Get("-t -s --offset 1.5 --height=1080 -n 3 -o \"" + dir_.Path() + "\" sm9");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    auto text = std::find(lines_.begin(), lines_.end(), "[データ抽出 開始]");
    auto subtitles = std::find(lines_.begin(), lines_.end(), "[字幕変換 開始]");
    EXPECT_LT(text, subtitles) << run.output;
    EXPECT_TRUE(Printed("字幕ファイル(ASS)を保存しました。"));
    EXPECT_TRUE(Printed(dir_.File("sm9.ass")));
    const std::string ass = ReadFileBytes(dir_.File("sm9.ass"));
    EXPECT_NE(ass.find("PlayResX: 1280\r\nPlayResY: 1080\r\n"), std::string::npos) << "the INI's, a switch over it";
    EXPECT_NE(ass.find("; Offset=1.5\r\n"), std::string::npos);
    size_t events = 0;
    for (size_t at = ass.find("\r\nDialogue: "); at != std::string::npos; at = ass.find("\r\nDialogue: ", at + 1)) {
        ++events;
    }
    EXPECT_EQ(events, 3u);
    EXPECT_EQ(lines_.back(), "全ての処理を完了しました");
}

// A thread whose one comment holds U+0010, raw, as the site sends what users
// paste: the file is saved whole, as sent, and every command reads it, each
// noting the character once; the subtitles leave it out of the drawn text.
TEST_F(CliGetTest, AControlCharacterInACommentLosesNothing) {
    WriteIni("FilenameFormat=%thread%\r\n");
    const std::string noted = "※XMLで使えない制御文字を 1 個含んでいます (そのまま読み込みました)";
    ProgramRun run = Get("-o \"" + dir_.Path() + "\" sm7010");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(CountPrinted(noted), 1);
    const std::string xml = dir_.File("sm7010.xml");
    const std::string saved = ReadFileBytes(xml);
    EXPECT_EQ(saved.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread resultcode=\"0\"", 0), 0u);
    EXPECT_NE(saved.find(u8">弾幕\x10ここ</chat><chat "), std::string::npos);
    EXPECT_EQ(saved.substr(saved.size() - 41), "</chat><view_counter video=\"0\"/></packet>");
    size_t chats = 0;
    for (size_t at = saved.find("<chat"); at != std::string::npos; at = saved.find("<chat", at + 1)) ++chats;
    EXPECT_EQ(chats, 8u);

    auto command = [&](const std::string& arguments, const std::string& output) {
        const ProgramRun step = RunProgram(BuildProgram("kometori-cli.exe"), arguments, dir_.Path());
        EXPECT_EQ(step.exitCode, 0u) << step.output;
        const auto printed = OutputLines(step.output);
        EXPECT_EQ(std::count(printed.begin(), printed.end(), noted), 1) << arguments;
        return ReadFileBytes(dir_.File(output));
    };
    // The text keeps it in the code page, the data as a JSON escape.
    EXPECT_NE(command("convert -f %no%:%comment% sm7010.xml", "sm7010.txt").find("\r\n5:弾幕\x10ここ\r\n"),
              std::string::npos);
    EXPECT_NE(command("export sm7010.xml", "sm7010.jsonl").find(u8"\"弾幕\\u0010ここ\""), std::string::npos);
    const std::string ass = command("subtitles sm7010.xml", "sm7010.ass");
    EXPECT_NE(ass.find(u8"弾幕ここ"), std::string::npos);
    EXPECT_EQ(ass.find('\x10'), std::string::npos);
}

TEST_F(CliGetTest, FailuresAndMissingAccount) {
    ProgramRun run = Get("-o \"" + dir_.Path() + "\" sm3");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_TRUE(std::any_of(lines_.begin(), lines_.end(),
                            [](const std::string& l) { return l.rfind("◆処理中にエラーが発生しました。", 0) == 0; }));
    EXPECT_EQ(lines_.back(), "全ての処理を完了しました");

    WriteIni("", "", "");
    run = Get("-o \"" + dir_.Path() + "\" sm9");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_TRUE(Printed("◆モクモク動画にログインして下さい"));
    EXPECT_TRUE(Printed("ログインしてもこの表示が出る場合はKometoriを再起動させて下さい"));
}

TEST_F(CliGetTest, WholeHistoryOfALongThread) {
    WriteIni("FilenameFormat=%thread%\r\n");
    ProgramRun run = Get("--history -o \"" + dir_.Path() + "\" sm4000");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(Printed("[全履歴 取得開始]"));
    EXPECT_TRUE(Printed("MaxRequests = 100"));
    EXPECT_TRUE(Printed("履歴 1/100: 現在 → 新しいコメント 1000 件 (計 1000 件)"));
    EXPECT_EQ(CountPrinted("待機中...(1秒)"), 4);
    EXPECT_TRUE(Printed("全履歴のコメント 4500 件を保存しました (リクエスト 5 回)"));
    EXPECT_EQ(lines_.back(), "全ての処理を完了しました");
    const std::string saved = ReadFileBytes(dir_.File("sm4000.xml"));
    size_t chats = 0;
    for (size_t at = saved.find("<chat"); at != std::string::npos; at = saved.find("<chat", at + 1)) ++chats;
    EXPECT_EQ(chats, 4500u);
}

// Titles whose characters end in the byte of "\" (予, ソ, 表, 十, 能, 構, 申;
// sm5200's ends in 表) or hold the bytes of the title's hyphen ("メ]"), saved
// under the default name template and converted.
TEST_F(CliGetTest, TitlesWithBackslashBytesUnderTheDefaultName) {
    // In byte order, as SavedPairs sorts them.
    const std::string prefixes[] = {"[アニメ]予告編ソース表示ポータル(sm5100)[", "第十回 能力構成の申告表(sm5200)["};
    ProgramRun run = Get("-t -o \"" + dir_.Path() + "\" sm5100;sm5200");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(CountPrinted("コメントファイルを保存しました。"), 2);
    const auto saved = SavedPairs(dir_.Path());
    ASSERT_EQ(saved.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(saved[i].rfind(prefixes[i], 0), 0u) << saved[i];
        const std::string text = dir_.File(saved[i].substr(0, saved[i].size() - 3) + "txt");
        EXPECT_EQ(OutputLines(ReadFileBytes(text)).size(), 13u) << "12 comments, one with a line break";
    }
}

// The title right before the extension ("…申告表.xml"): saved, converted,
// kept without permission, overwritten with it.
TEST_F(CliGetTest, TitleEndingInABackslashByteRightBeforeTheExtension) {
    WriteIni("FilenameFormat=%title%\r\n");
    const std::string xml = dir_.File("第十回 能力構成の申告表.xml");
    const std::string txt = dir_.File("第十回 能力構成の申告表.txt");
    const std::string get = "-t -o \"" + dir_.Path() + "\" sm5200";
    ProgramRun run = Get(get);
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(Printed(xml));
    EXPECT_TRUE(Printed(txt));
    const std::string saved = ReadFileBytes(xml);
    EXPECT_NE(saved.find("<packet>"), std::string::npos);
    EXPECT_FALSE(ReadFileBytes(txt).empty());

    WriteFileBytes(xml, "old");
    run = Get(get);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_TRUE(Printed("操作を取り消しました"));
    EXPECT_EQ(ReadFileBytes(xml), "old");

    WriteFileBytes(txt, "old");
    run = Get("-y " + get);
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(ReadFileBytes(xml), saved);
    EXPECT_NE(ReadFileBytes(txt), "old");
    EXPECT_EQ(SavedPairs(dir_.Path()).size(), 1u);
}

// A save folder of 188 characters of Japanese text (over 260 bytes): every
// fetch leaves its two files in full and nothing else.
TEST_F(CliGetTest, LongJapaneseSaveFolder) {
    const std::string folder = LongJapaneseFolder(dir_.Path());
    // The last folder is made by the program, as for any missing folder whose parent exists.
    ASSERT_TRUE(MakeFolder(FolderOfWide(FolderOfWide(AnsiToWide(folder)))));
    ASSERT_TRUE(MakeFolder(FolderOfWide(AnsiToWide(folder))));
    for (const char* overwrite : {"", "-y ", "-y "}) {
        ProgramRun run = Get(std::string(overwrite) + "-t -o \"" + folder + "\" sm5100");
        ASSERT_EQ(run.exitCode, 0u) << run.output;
        const auto saved = SavedPairs(folder);
        ASSERT_TRUE(saved.size() == 1u || saved.size() == 2u) << "a new minute makes a new name";
        for (const auto& name : saved)
            EXPECT_EQ(name.rfind("[アニメ]予告編ソース表示ポータル(sm5100)[", 0), 0u) << name;
    }
}

// Started from a folder the code page cannot spell (its INI file names the
// site), saving into another: the comment file and its text file are there.
TEST_F(CliGetTest, StartAndSaveFoldersWithCharactersTheCodePageLacks) {
    const std::wstring start = dir_.File(kAccentedHangul);
    const std::wstring folder = start + L"\\" + kEmojiName;  // missing, parent exists: created
    ASSERT_TRUE(MakeFolder(start));
    WriteFileBytes(start + L"\\Kometori.ini", ini_ + "FilenameFormat=%thread% " + WideToAnsi(L"\u5E55") + "\r\n");
    const ProgramRun run = RunProgram(BuildProgram("kometori-cli.exe"), L"get -t -o \"" + folder + L"\" sm9", start);
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_TRUE(FileExists(folder + L"\\sm9 \u5E55.xml"));
    EXPECT_TRUE(FileExists(folder + L"\\sm9 \u5E55.txt"));
    EXPECT_NE(run.output.find("SavePath = " + ShownPath(folder)), std::string::npos) << run.output;
}

// A reply whose DTD would expand to a billion words ends the fetch at once with
// the exception lines; the process lives to report it and saves nothing.
TEST_F(CliGetTest, BillionLaughsReplyIsRefused) {
    StandinFault("message", "billionlaughs", 0);
    ProgramRun run = Get("-o \"" + dir_.Path() + "\" sm9");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_TRUE(Printed("処理中に例外が発生しました"));
    EXPECT_EQ(lines_.back(), "全ての処理を完了しました");
    EXPECT_EQ(ListFolder(dir_.Path()), (std::vector<std::string>{"Kometori.ini"}));
}

// 64 MB of well-formed comments (or of a watch page) from a hostile server:
// refused within seconds at the size bound, in little memory, nothing saved
// and the old file as it was.
TEST_F(CliGetTest, AHugeReplyIsRefusedAndTheOldFileKept) {
    WriteIni("FilenameFormat=%thread%\r\n");
    const std::string saved = dir_.File("sm9.xml");
    SetEnvironmentVariableA("KOMETORI_REPORT_PEAK_MEMORY", "1");
    for (const char* role : {"message", "main"}) {
        SCOPED_TRACE(role);
        WriteFileBytes(saved, "<packet>前回の予告編ソース</packet>");
        StandinReset();
        StandinFault(role, "huge", 0);
        const ULONGLONG start = GetTickCount64();
        ProgramRun run = Get("-y -o \"" + dir_.Path() + "\" sm9");
        EXPECT_LT(GetTickCount64() - start, 30000u);
        EXPECT_EQ(run.exitCode, 1u) << run.output;
        EXPECT_EQ(CountPrinted("◆サーバーの応答が大きすぎるため受信を中止しました(8MB超) : " +
                               (std::string(role) == "main" ? "http://" + StandinMainHost() + "/watch/sm9"
                                                            : StandinMessageUrl())),
                  1);
        EXPECT_EQ(ReadFileBytes(saved), "<packet>前回の予告編ソース</packet>");
        EXPECT_EQ(ListFolder(dir_.Path()), (std::vector<std::string>{"Kometori.ini", "sm9.xml"}));
        const std::string peak = Between(run.output, "PeakWorkingSetSize = ", "\n");
        ASSERT_FALSE(peak.empty()) << run.output;
        EXPECT_LT(std::stoull(peak), 100ull << 20);
    }
    SetEnvironmentVariableA("KOMETORI_REPORT_PEAK_MEMORY", nullptr);
}

// The sign-in's header dump on the console: the cookie's name, never its value.
TEST_F(CliGetTest, SessionCookieValueNeverPrinted) {
    WriteIni("FilenameFormat=%thread%\r\n", "cookie@kometori.test", "cookiepass");
    ProgramRun run = Get("-n 3 -o \"" + dir_.Path() + "\" sm9");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("Set-Cookie: user_session=***; path=/"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("1000004_"), std::string::npos) << run.output;
}

TEST_F(CliGetTest, UsageErrors) {
    const std::string folder = " -o \"" + dir_.Path() + "\" ";
    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {folder, "URLを入力して下さい。"},
        {"-o \"\" sm9", "保存先フォルダを指定して下さい。"},
        {"-o C:\\ sm9", "保存先フォルダのパスが正しくありません。"},
        {"-o \"" + dir_.File("no\\such\\folder") + "\" sm9", "フォルダの作成に失敗しました。"},
        {folder + "-n 0 sm9", "取得コメント数が正しくありません。"},
        {folder + "-n \"\" sm9", "取得コメント数を入力して下さい。"},
        {folder + "-p \"2005-12-31 00:00:00\" sm9", "過去ログの日時指定値が正しくありません。"},
        {folder + "-p yesterday sm9", "過去ログの日時指定値が正しくありません。"},
        {folder + "--bogus sm9", "不明なオプションです / unknown option: --bogus"},
        {folder + "--history --max-requests 0 sm9", "--max-requests には1以上の数を指定して下さい。"},
        {folder + "--history -p \"2010-01-01 00:00:00\" sm9", "--history と --past は同時に指定できません。"},
        {folder + "-s --offset-map 1:5=2 sm9", "値が正しくありません / bad value: OffsetMap: \"1:5=2\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        ProgramRun run = Get(c.arguments);
        EXPECT_EQ(run.exitCode, 2u);
        EXPECT_EQ(run.output.rfind(c.message, 0), 0u) << run.output;
    }
    EXPECT_TRUE(StandinRequests().empty()) << "nothing is fetched after a refusal";

    ProgramRun help = Get("--help");
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_NE(help.output.find("使い方: kometori-cli get"), std::string::npos);
}

}  // namespace
