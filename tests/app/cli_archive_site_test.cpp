// kometori-cli get --archive against the stand-in's live thread (sm7000),
// whose comments appear at a rate the test sets: one file per video that
// every round adds to, fills its gaps, survives a kill and a second writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "comments/comment_reader.h"
#include "support/codepage.h"
#include "testlib/process.h"
#include "testlib/standin_client.h"
#include "testlib/temp_dir.h"

namespace {

const char kLiveArchive[] = "実況ソ表 生放送のように増えるスレッド(sm7000).xml";

// The comment numbers of a comment file, in file order; fails the test when
// the file does not read whole.
std::vector<long long> Numbers(const std::string& path) {
    CommentReader reader;
    std::vector<long long> numbers;
    EXPECT_TRUE(reader.Open(AnsiToWide(path))) << path << ": " << reader.Error();
    while (reader.Next()) numbers.push_back(reader.Chat().Integer("no"));
    EXPECT_FALSE(reader.Failed()) << path << ": " << reader.Error();
    return numbers;
}

// Every number from the first to the last, once each.
bool Consecutive(const std::vector<long long>& numbers) {
    for (std::size_t i = 1; i < numbers.size(); ++i) {
        if (numbers[i] != numbers[i - 1] + 1) return false;
    }
    return !numbers.empty();
}

class CliArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StandinAvailable());
        StandinReset();
        WriteIni("premium@kometori.test", "p&ss+w%rd=1");
    }
    void WriteIni(const std::string& mail, const std::string& pass, const std::string& archive = "") {
        WriteFileBytes(dir_.File("Kometori.ini"), "[site]\r\nMainHost=" + StandinMainHost() +
                                                      "\r\nSecureHost=" + StandinSecureHost() +
                                                      "\r\n[main]\r\nMail=" + mail + "\r\nPass=" + pass +
                                                      "\r\nAccessWait=1\r\n[archive]\r\n" + archive);
    }
    ProgramRun Get(const std::string& arguments, DWORD timeoutMs = 120000) {
        ProgramRun run = RunProgram(BuildProgram("kometori-cli.exe"), "get -o \"" + dir_.Path() + "\" " + arguments,
                                    dir_.Path(), timeoutMs);
        lines_ = OutputLines(run.output);
        return run;
    }
    // The line that starts so; empty when none.
    std::string Line(const std::string& start) const {
        for (const std::string& line : lines_) {
            if (line.compare(0, start.size(), start) == 0) return line;
        }
        return "";
    }
    std::size_t Files(const std::string& ending) const {
        const auto files = ListFolder(dir_.Path());
        return std::count_if(files.begin(), files.end(), [&](const std::string& name) {
            return name.size() >= ending.size() &&
                   name.compare(name.size() - ending.size(), ending.size(), ending) == 0;
        });
    }

    TempDir dir_;
    std::vector<std::string> lines_;
};

// Rounds further apart than the pool holds: the gaps are filled through past
// logs, and the archive holds every number the thread had.
TEST_F(CliArchiveTest, SignedInRoundsKeepEveryComment) {
    StandinSet("live_rate", "100");
    ::Sleep(3000);
    const std::string archive = dir_.File(kLiveArchive);
    long long firstHighest = 0;
    for (int round = 0; round < 3; ++round) {
        if (round > 0) ::Sleep(15000);  // 1,500 new comments: more than the pool of 1,000
        ProgramRun run = Get("--archive -n 1000 -t sm7000");
        ASSERT_EQ(run.exitCode, 0u) << run.output;
        const std::vector<long long> numbers = Numbers(archive);
        ASSERT_TRUE(Consecutive(numbers)) << run.output;
        EXPECT_EQ(numbers.front(), 1);
        const std::string added = Line("アーカイブに ");
        EXPECT_EQ(added.substr(added.size() - archive.size() - 2), ": " + archive);
        EXPECT_NE(added.find("(計 " + std::to_string(numbers.size()) + " 件、No.1〜No." +
                             std::to_string(numbers.back()) + "、欠け 0 件)"),
                  std::string::npos)
            << added;
        EXPECT_EQ(Line("◆"), "");
        if (round == 0) firstHighest = numbers.back();
        if (round > 0) EXPECT_NE(Line("欠けの補充 1/100: "), "") << run.output;
    }
    EXPECT_GT(Numbers(archive).back(), firstHighest + 2500);
    // One archive, its lock file, its text (the whole archive, replaced each round), the INI file.
    EXPECT_EQ(ListFolder(dir_.Path()).size(), 4u);
    EXPECT_EQ(Files(".txt"), 1u);
}

// Without the past-log right the pool's comments are kept and the gap named.
TEST_F(CliArchiveTest, APlainAccountsRoundsNameTheGap) {
    WriteIni("plain@kometori.test", "plainpass", "Enabled=1\r\nFormat=%thread%\r\n");
    StandinSet("live_rate", "100");
    ::Sleep(1000);
    ASSERT_EQ(Get("-n 100 sm7000").exitCode, 0u);
    const long long highest = Numbers(dir_.File("sm7000.xml")).back();
    ::Sleep(3000);
    ProgramRun run = Get("-n 100 sm7000");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    const std::vector<long long> numbers = Numbers(dir_.File("sm7000.xml"));
    const long long lowest = *std::find_if(numbers.begin(), numbers.end(), [&](long long no) { return no > highest; });
    EXPECT_EQ(Line("◆取りこぼしがあります: "), "◆取りこぼしがあります: No." + std::to_string(highest + 1) + "〜No." +
                                                   std::to_string(lowest - 1) + " (" +
                                                   std::to_string(lowest - 1 - highest) + " 件)");
    EXPECT_NE(Line("アーカイブに 100 件を追加しました (計 200 件、"), "") << run.output;
    EXPECT_EQ(Files(".xml"), 1u);
}

// A damaged archive and another thread's archive are never written: the reply
// is saved beside them and the exit status tells a scheduled task.
TEST_F(CliArchiveTest, AnArchiveThatCannotBeUsedIsKept) {
    WriteIni("premium@kometori.test", "p&ss+w%rd=1", "Format=%thread%\r\n");
    const std::string archive = dir_.File("sm9.xml");
    const std::string cases[] = {
        "<packet><chat thread=\"1173108780\" no=\"1\">切れた",
        "<packet><thread thread=\"999\"/><chat thread=\"999\" no=\"1\">別スレ</chat></packet>",
    };
    for (const std::string& held : cases) {
        WriteFileBytes(archive, held);
        ProgramRun run = Get("--archive sm9");
        EXPECT_EQ(run.exitCode, 1u) << run.output;
        EXPECT_EQ(ReadFileBytes(archive), held);
        const std::string line = Line("◆アーカイブを読み込めないため、別のファイルに保存しました: ");
        EXPECT_NE(line, "") << run.output;
        EXPECT_EQ(Files(".xml"), 2u);
        for (const std::string& name : ListFolder(dir_.Path())) {
            if (name != "sm9.xml" && name != "Kometori.ini") DeleteFileW(AnsiToWide(dir_.File(name)).c_str());
        }
    }
    ASSERT_EQ(Get("--no-archive sm9").exitCode, 0u);  // the INI's switch is off already; no archive line
    EXPECT_EQ(Line("アーカイブに "), "");
}

// A process killed at any moment leaves an archive that reads whole and holds
// at least what it held; the next round removes what the killed one left.
TEST_F(CliArchiveTest, AKillAtAnyMomentLeavesAWholeArchive) {
    WriteIni("premium@kometori.test", "p&ss+w%rd=1", "Enabled=1\r\nFormat=%thread%\r\n");
    // A long archive, so that the merge takes a while.
    std::string big = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<packet>\r\n<thread thread=\"1173108780\"/>\r\n";
    for (int no = 1000; no < 200000; ++no) {
        big += "<chat thread=\"1173108780\" no=\"" + std::to_string(no) + "\" date=\"1300000000\">";
        big += u8"長いアーカイブのコメント ソ表</chat>\r\n";
    }
    big += "</packet>\r\n";
    const std::string archive = dir_.File("sm9.xml");
    WriteFileBytes(archive, big);
    std::size_t held = Numbers(archive).size();
    for (DWORD killAt : {700u, 1200u, 1700u, 2200u, 2700u, 3500u}) {
        Get("sm9", killAt);
        const std::size_t now = Numbers(archive).size();
        EXPECT_GE(now, held) << killAt;
        held = now;
    }
    ASSERT_EQ(Get("sm9").exitCode, 0u);
    EXPECT_EQ(Numbers(archive).size(), 199000u + 250u);
    EXPECT_EQ(Files(".tmp"), 0u);
}

// The window and a scheduled task may fetch at once: they take turns, and
// neither loses the other's comments.
TEST_F(CliArchiveTest, TwoWritersAtOnceLoseNothing) {
    WriteIni("premium@kometori.test", "p&ss+w%rd=1", "Enabled=1\r\nFormat=%thread%\r\n");
    StandinSet("live_rate", "100");
    ::Sleep(2000);
    ProgramRun runs[2];
    std::thread second([&] {
        runs[1] =
            RunProgram(BuildProgram("kometori-cli.exe"), "get -o \"" + dir_.Path() + "\" -n 100 sm7000", dir_.Path());
    });
    ::Sleep(300);
    runs[0] = RunProgram(BuildProgram("kometori-cli.exe"), "get -o \"" + dir_.Path() + "\" -n 100 sm7000", dir_.Path());
    second.join();
    for (const ProgramRun& run : runs) {
        EXPECT_EQ(run.exitCode, 0u) << run.output;
        EXPECT_NE(run.output.find("アーカイブに "), std::string::npos) << run.output;
    }
    const std::vector<long long> numbers = Numbers(dir_.File("sm7000.xml"));
    EXPECT_TRUE(Consecutive(numbers));  // the older reply's first comments too
    EXPECT_GT(numbers.size(), 100u);
    EXPECT_EQ(Files(".xml"), 1u);
}

// A past log goes into the archive too; the next round fills the gap from it
// to the newest comments.
TEST_F(CliArchiveTest, APastLogGoesIntoTheArchive) {
    WriteIni("premium@kometori.test", "p&ss+w%rd=1", "Enabled=1\r\nFormat=%thread%\r\n");
    ProgramRun run = Get("-n 250 -p \"2010-01-15 00:00:00\" sm4000");  // comment 504 is the last by then
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    std::vector<long long> numbers = Numbers(dir_.File("sm4000.xml"));
    ASSERT_TRUE(Consecutive(numbers));
    EXPECT_EQ(numbers.front(), 255);
    EXPECT_EQ(numbers.back(), 504);
    run = Get("-n 100 sm4000");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    numbers = Numbers(dir_.File("sm4000.xml"));
    EXPECT_TRUE(Consecutive(numbers));
    EXPECT_EQ(numbers.front(), 255);
    EXPECT_EQ(numbers.back(), 4500);
    EXPECT_EQ(Line("アーカイブに "), "アーカイブに 3996 件を追加しました (計 4246 件、No.255〜No.4500、欠け 0 件): " +
                                         dir_.File("sm4000.xml"));
}

// A history cut short (here by its request limit) goes on where it stopped:
// the newest comments, then on from the archive's oldest, never again what it holds.
TEST_F(CliArchiveTest, AWholeHistoryResumes) {
    WriteIni("premium@kometori.test", "p&ss+w%rd=1", "Enabled=1\r\nFormat=%thread%\r\n");
    ProgramRun run = Get("--history --max-requests 2 sm4000");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    const std::vector<long long> first = Numbers(dir_.File("sm4000.xml"));
    ASSERT_TRUE(Consecutive(first));
    EXPECT_EQ(first.size(), 1999u) << "each step is kept as it comes (the past log repeats the oldest)";
    StandinReset();
    run = Get("--history sm4000");
    ASSERT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(Line("アーカイブの最も古いコメント (No.2502) から続けます"), "") << run.output;
    const std::vector<long long> all = Numbers(dir_.File("sm4000.xml"));
    EXPECT_TRUE(Consecutive(all));
    EXPECT_EQ(all.size(), 4500u);
    // The newest once, then 2,501 older comments: three past logs (a whole history takes five requests).
    EXPECT_EQ(StandinBodies("message").size(), 4u);
    EXPECT_EQ(Line("アーカイブのコメント "),
              "アーカイブのコメント 4500 件 (No.1〜No.4500、欠け 0 件): " + dir_.File("sm4000.xml"));
}

}  // namespace
