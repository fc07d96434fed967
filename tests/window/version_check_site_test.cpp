// The version notice at start, against the stand-in's author site.
#include <gtest/gtest.h>

#include "testlib/window_site_test.h"

namespace {

class VersionCheckTest : public WindowSiteTest {
protected:
    HWND OpenNotifying(bool notify) {
        return Open("[main]\r\nNotifyVersionUp=" + std::string(notify ? "1" : "0") +
                    "\r\n[site]\r\nAuthorSite=" + StandinAuthor() + "\r\n");
    }
    int NoticeRequests() {
        int count = 0;
        for (const StandinRequest& r : StandinRequests()) {
            count += r.role == "author" && r.path == "/software/kometori/version.txt";
        }
        return count;
    }
};

std::string Question(const std::string& version, const std::string& news = "") {
    return "Kometori Ver." + version +
           " が公開されています。\nWebページを開きますか？\n\n※バージョンアップ通知を無効にするには、メニューバーの\n"
           "[設定]->[バージョンアップ通知を有効にする]のチェックを外して下さい。\n" +
           (news.empty() ? "" : "\n[追加情報]\n" + news + "\n");
}

struct NoticeRow {
    const char* name;
    const char* notice;  // null: the site answers with nothing
    int answer;
    std::string question;  // empty: none
    const char* testLine;  // the info window's notice, or null
};

TEST_F(VersionCheckTest, NoticeFileCases) {
    const char kNews[] = "表示ソフトに対応しました\n予約機能を追加しました\n";
    const NoticeRow rows[] = {
        {"newer, with news, yes", "1.33\n表示ソフトに対応しました\n予約機能を追加しました\n", IDYES,
         Question("1.33", kNews), nullptr},
        {"the same version", "1.32\n", IDYES, "", nullptr},
        {"1.324 is code 132", "1.324\n", IDYES, "", nullptr},
        {"1.325 is code 133, no", "1.325\n", IDNO, Question("1.325"), nullptr},
        {"carriage return before the line feed", "1.33\r\n", IDYES, "", nullptr},
        {"beta", "1.40beta\n", IDYES, "", "1.40beta"},
        {"b", "1.40b\n", IDYES, "", "1.40b"},
        {"a last character whose second byte is b", "1.41の話\n", IDYES, "", nullptr},
        {"no line feed", "1.33", IDYES, Question("1.33"), nullptr},
        {"inf is no version", "inf\n", IDYES, "", nullptr},
        {"nan is no version", "nan\n", IDYES, "", nullptr},
        {"no reply", nullptr, IDYES, "", nullptr},
    };
    for (const NoticeRow& row : rows) {
        SCOPED_TRACE(row.name);
        Close();
        StandinReset();
        ClearOpened();
        log.Clear();
        boxes.Clear();
        boxes.SetButton(row.answer);
        HWND owner = nullptr;
        boxes.OnBox([&](HWND box) { owner = GetWindow(box, GW_OWNER); });
        if (row.notice) {
            StandinSet("author_version", row.notice);
        } else {
            StandinFault("author", "empty");
        }
        ASSERT_TRUE(OpenNotifying(true));
        ASSERT_TRUE(PumpMessagesUntil([] { return !AnyWorkerRunning(); }));
        EXPECT_EQ(NoticeRequests(), 1);
        EXPECT_EQ(boxes.Texts(),
                  row.question.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.question});
        if (!row.question.empty()) {
            EXPECT_EQ(owner, main);
        }
        const bool opened = !row.question.empty() && row.answer == IDYES;
        EXPECT_EQ(Opened(), opened ? std::vector<std::string>{StandinAuthor() + "/software/kometori/"}
                                   : std::vector<std::string>{});
        EXPECT_EQ(log.Lines(),
                  row.testLine ? std::vector<std::string>{std::string("[お知らせ]テストバージョンが公開されています(") +
                                                          row.testLine + ")"}
                               : std::vector<std::string>{});
    }
}

TEST_F(VersionCheckTest, NothingIsAskedWhenTheNoticeIsOff) {
    ASSERT_TRUE(OpenNotifying(false));
    EXPECT_FALSE(AnyWorkerRunning()) << "no check started";
    Command(IDM_NOTIFY_VERSION);  // the setting only; the check comes at the next start
    EXPECT_TRUE(App().settings.NotifyVersionUp);
    EXPECT_FALSE(AnyWorkerRunning());
    EXPECT_EQ(NoticeRequests(), 0);
}

}  // namespace
