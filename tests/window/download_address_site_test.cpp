// The download address commands against the stand-in site: what is logged,
// opened (recorded, never really) and shown.
#include <gtest/gtest.h>

#include <cctype>

#include "jobs/download_address_job.h"
#include "testlib/window_site_test.h"

namespace {

class DownloadAddressTest : public WindowSiteTest {
protected:
    void SetUp() override {
        WindowSiteTest::SetUp();
        StandinSignIn("premium");
    }
    // The stand-in's video file address of a video number.
    static std::string FileOf(const char* number) {
        return "http://" + StandinMainHost() + "/smile?v=" + number + ".4321";
    }
    bool WaitDone() { return PumpMessagesUntil([] { return !AnyWorkerRunning(); }, 30000); }
    // Between the rows of a table: a fresh site, window and log.
    void NextRow() {
        Close();
        StandinReset();
        StandinSignIn("premium");
        ClearOpened();
        log.Clear();
    }
    bool InfoShown() const { return IsWindowVisible(CBaseDebug::Window()) && MenuChecked(IDM_INFO_WINDOW); }
    // The lines from the job's first on.
    std::vector<std::string> JobLines() {
        std::vector<std::string> lines = log.Lines();
        lines.erase(lines.begin(), std::find(lines.begin(), lines.end(), "ダウンロードURL取得中..."));
        return lines;
    }
};

TEST_F(DownloadAddressTest, DLOpensEveryAddressInTurn) {
    const std::string page = "http://" + StandinMainHost() + "/watch/sm1234";
    ASSERT_TRUE(OpenWith("sm9;" + page));
    StandinFault("main", "hold");
    Command(IDC_DOWNLOAD);
    ASSERT_TRUE(PumpMessagesUntil([&] { return !MenuEnabled(IDM_OPEN_DOWNLOAD); }));
    EXPECT_FALSE(MenuEnabled(IDM_SHOW_DOWNLOAD));
    EXPECT_TRUE(Enabled(IDC_DOWNLOAD) && Enabled(IDC_FETCH) && MenuEnabled(IDM_FETCH));
    StandinRelease();
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(JobLines(), (std::vector<std::string>{"ダウンロードURL取得中...", "[sm9]", FileOf("9"), "[" + page + "]",
                                                     FileOf("1234")}));
    EXPECT_EQ(Opened(), (std::vector<std::string>{FileOf("9"), FileOf("1234")}));
    std::vector<std::string> asked;
    for (const StandinRequest& r : StandinRequests()) asked.push_back(r.path + "?" + r.query);
    EXPECT_EQ(asked, (std::vector<std::string>{"/api/getflv?v=sm9", "/watch/sm9?", "/api/getflv?v=sm1234",
                                                "/watch/sm1234?"}));
    EXPECT_TRUE(MenuEnabled(IDM_OPEN_DOWNLOAD) && MenuEnabled(IDM_SHOW_DOWNLOAD));
    EXPECT_FALSE(InfoShown());
}

struct CommandRow {
    const char* name;
    WORD command;
    const char* field;
    const char* fault;  // the first getflv's, or null
    std::vector<std::string> lines;  // after the first; "9" and "1234" stand for the file addresses
    std::vector<std::string> opened;
    bool infoShown;
};

TEST_F(DownloadAddressTest, EachCommandLogsAndShowsWhatItMust) {
    const std::vector<CommandRow> rows = {
        {"show, info window hidden", IDM_SHOW_DOWNLOAD, "sm9", nullptr, {"[sm9]", "9"}, {}, true},
        {"getflv fails, the next goes on", IDM_OPEN_DOWNLOAD, "sm9;sm1234", "empty",
         {"[sm9]", "URL(getflv)の取得に失敗しました", "[sm1234]", "1234"}, {"1234"}, true},
        {"no address in the reply", IDM_OPEN_DOWNLOAD, "sm3;sm9", nullptr,
         {"[sm3]", "URLの取得に失敗しました", "[sm9]", "9"}, {"9"}, true},
        {"nothing in the field", IDM_OPEN_DOWNLOAD, ";", nullptr, {}, {}, false},
    };
    for (const CommandRow& row : rows) {
        SCOPED_TRACE(row.name);
        NextRow();
        ASSERT_TRUE(OpenWith(row.field));
        if (row.fault) StandinFault("main", row.fault);
        Command(row.command);
        ASSERT_TRUE(WaitDone());
        std::vector<std::string> lines{"ダウンロードURL取得中..."}, opened;
        for (const std::string& line : row.lines) lines.push_back(std::isdigit(static_cast<unsigned char>(line[0])) ? FileOf(line.c_str()) : line);
        for (const std::string& number : row.opened) opened.push_back(FileOf(number.c_str()));
        EXPECT_EQ(JobLines(), lines);
        EXPECT_EQ(Opened(), opened);
        EXPECT_EQ(InfoShown(), row.infoShown);
    }
}

struct AddressRow {
    const char* name;
    const char* reply;  // the reply's "url" value as the site sends it
    const char* opened;  // null: refused
};

TEST_F(DownloadAddressTest, OnlyWebAddressesAreOpened) {
    const AddressRow rows[] = {
        {"file scheme", "file:///C:/windows/win.ini", nullptr},
        {"local path", "C:\\Windows\\system32\\calc.exe", nullptr},
        {"program name", "calc.exe", nullptr},
        {"other scheme", "ms-settings:privacy", nullptr},
        {"quote that ends the browser's argument", "http://127.0.0.1/smile?v=9\" --user-data-dir=C:\\", nullptr},
        {"scheme only", "http%3A%2F%2F", nullptr},
        {"upper-case scheme, encoded", "HTTPS%3A%2F%2Flocalhost%2Fsmile%3Fv%3D9.4321", "HTTPS://localhost/smile?v=9.4321"},
    };
    for (const AddressRow& row : rows) {
        SCOPED_TRACE(row.name);
        NextRow();
        StandinSet("download_url", row.reply);
        ASSERT_TRUE(OpenWith("sm9"));
        Command(IDM_OPEN_DOWNLOAD);
        ASSERT_TRUE(WaitDone());
        EXPECT_EQ(Opened(), row.opened ? std::vector<std::string>{row.opened} : std::vector<std::string>{});
        EXPECT_EQ(Count(kDownloadAddressRefused), row.opened ? 0 : 1);
        EXPECT_EQ(InfoShown(), !row.opened);
    }
}

TEST_F(DownloadAddressTest, AJobKeepsTheCommandThatStartedIt) {
    ASSERT_TRUE(OpenWith("sm9"));
    StandinFault("main", "hold");
    Command(IDM_SHOW_DOWNLOAD);
    ASSERT_TRUE(PumpMessagesUntil([&] { return StandinRequests().size() == 1; }));
    Command(IDC_DOWNLOAD);  // runs beside the held one
    ASSERT_TRUE(PumpMessagesUntil([&] { return Opened().size() == 1; }));
    StandinRelease();
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(Opened(), std::vector<std::string>{FileOf("9")});
    EXPECT_EQ(Count(FileOf("9")), 2);
    EXPECT_TRUE(InfoShown());
    EXPECT_TRUE(MenuEnabled(IDM_OPEN_DOWNLOAD) && MenuEnabled(IDM_SHOW_DOWNLOAD));
}

}  // namespace
