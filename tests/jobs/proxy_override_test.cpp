// The proxy switch against the real registry of the Wine prefix.
#include "jobs/proxy_override.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include "infolog/info_log.h"
#include "testlib/proxy_registry.h"
#include "support/handles.h"

namespace {

class ProxyOverrideTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = App().settings.AlwaysDirectConnection; }
    void TearDown() override { App().settings.AlwaysDirectConnection = saved_; }

    ProxyRegistryState registry_;
    bool saved_ = false;
};

TEST_F(ProxyOverrideTest, OnlyAnEnabledProxyWithTheSettingOnIsSwitched) {
    const struct {
        bool setting;
        DWORD type;  // 0: no value
        DWORD value;
        bool switched;
    } cases[] = {
        {true, REG_DWORD, 1, true},  {false, REG_DWORD, 1, false}, {true, REG_DWORD, 0, false},
        {true, REG_DWORD, 2, false}, {true, 0, 0, false},          {true, REG_SZ, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "setting " << c.setting << " type " << c.type << " value " << c.value);
        App().settings.AlwaysDirectConnection = c.setting;
        RegistryValue proxy(kProxyEnablePath, RegistryValue::Open::CreateKey);
        proxy.Delete();
        if (c.type == REG_DWORD) ProxyRegistryState::Set(c.value);
        if (c.type == REG_SZ) proxy.WriteData(REG_SZ, "1", 2);

        const bool held = SwitchProxyOff();
        EXPECT_EQ(held, c.switched);
        EXPECT_EQ(App().proxySwitchedOff, c.switched);
        EXPECT_EQ(proxy.ValueType(), c.type);
        EXPECT_EQ(ProxyRegistryState::Get(), c.switched ? 0u : (c.type == REG_DWORD ? c.value : 0u));
        EXPECT_EQ(ProxyRegistryState::MarkOwner().processId, c.switched ? ::GetCurrentProcessId() : 0u);

        if (held) SwitchProxyBack();
        EXPECT_FALSE(App().proxySwitchedOff);
        EXPECT_EQ(proxy.ValueType(), c.type) << "never created, never retyped";
        EXPECT_EQ(ProxyRegistryState::Get(), c.type == REG_DWORD ? c.value : 0u);
        EXPECT_EQ(ProxyRegistryState::MarkType(), 0u);
    }
}

// A job let go by a stop may still be inside an exchange when the next job
// starts: the proxy comes back when the last of them ends, not the first.
TEST_F(ProxyOverrideTest, TheProxyComesBackWhenTheLastJobHoldingItEnds) {
    App().settings.AlwaysDirectConnection = true;
    ProxyRegistryState::Set(1);
    ASSERT_TRUE(SwitchProxyOff());
    App().settings.AlwaysDirectConnection = false;  // a job that starts now holds nothing
    EXPECT_FALSE(SwitchProxyOff());
    App().settings.AlwaysDirectConnection = true;
    EXPECT_TRUE(SwitchProxyOff());
    SwitchProxyBack();
    EXPECT_EQ(ProxyRegistryState::Get(), 0u);
    EXPECT_EQ(ProxyRegistryState::MarkOwner().processId, ::GetCurrentProcessId());
    SwitchProxyBack();
    EXPECT_EQ(ProxyRegistryState::Get(), 1u);
    EXPECT_EQ(ProxyRegistryState::MarkType(), 0u);
}

// Some other process of the prefix that runs now (Wine's services, for one),
// with its creation time.
ProxyMarkOwner OtherRunningProcess() {
    KernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == ::GetCurrentProcessId() || entry.th32ProcessID == 0) continue;
        KernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        FILETIME created{}, exited{}, kernel{}, user{};
        if (process && ::GetProcessTimes(process.get(), &created, &exited, &kernel, &user)) {
            return ProxyMarkOwner{entry.th32ProcessID,
                                  (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime};
        }
    }
    return ProxyMarkOwner{};
}

struct MarkRow {
    const char* name;
    ProxyMarkOwner owner;
    bool idOnly;    // the REG_DWORD of an earlier version
    bool restored;  // the proxy back on, the mark gone, the note logged
};

TEST_F(ProxyOverrideTest, AtStartTheMarkOfAProcessThatIsGoneSwitchesBack) {
    ProxyRegistryState::Set(0);
    RestoreProxyAtStart();  // no mark: the user's 0 stays
    EXPECT_EQ(ProxyRegistryState::Get(), 0u);

    const ProxyMarkOwner other = OtherRunningProcess();
    ASSERT_NE(other.processId, 0u);
    ASSERT_NE(other.created, 0u);
    const MarkRow rows[] = {
        {"another Kometori fetching right now", other, false, false},
        {"its id, reused by a process of another start", {other.processId, other.created - 10000000}, false, true},
        {"a process that no longer runs", {0xFFFFFFF0, other.created}, false, true},
        {"an earlier version's mark of a running process", {other.processId, 0}, true, false},
        {"an earlier version's mark of a process that is gone", {0xFFFFFFF0, 0}, true, true},
    };
    for (const MarkRow& row : rows) {
        SCOPED_TRACE(row.name);
        ProxyRegistryState::Set(0);
        if (row.idOnly) {
            ProxyRegistryState::SetIdOnlyMark(row.owner.processId);
        } else {
            ProxyRegistryState::SetMark(row.owner);
        }
        LineCapture log;
        RestoreProxyAtStart();
        EXPECT_EQ(ProxyRegistryState::Get(), row.restored ? 1u : 0u);
        EXPECT_EQ(ProxyRegistryState::MarkType(),
                  row.restored ? 0u : static_cast<DWORD>(row.idOnly ? REG_DWORD : REG_SZ));
        EXPECT_EQ(log.Lines(),
                  row.restored
                      ? std::vector<std::string>{"※前回の終了時に無効化したままだったIEのプロクシ設定を元に戻しました"}
                      : std::vector<std::string>{});
    }
}

}  // namespace

TEST(ProxyMark, ReadsBackWhatItWritesAndNothingElse) {
    const ProxyMarkOwner owners[] = {{4242, 133500000000000000ull}, {0xFFFFFFFFu, 0xFFFFFFFFFFFFFFFFull}, {1, 0}};
    for (const ProxyMarkOwner& owner : owners) {
        ProxyMarkOwner back;
        ASSERT_TRUE(ParseProxyMark(FormatProxyMark(owner), back)) << FormatProxyMark(owner);
        EXPECT_EQ(back.processId, owner.processId);
        EXPECT_EQ(back.created, owner.created);
    }
    for (const char* text : {"", "4242", "4242 ", " 4242 1", "4242  1", "4242 1 2", "-1 5", "4242 1\r\n",
                             "4294967296 1", "1 18446744073709551616", "42４2 1"}) {
        ProxyMarkOwner owner;
        EXPECT_FALSE(ParseProxyMark(text, owner)) << text;
    }
}
