// The proxy switch against the real registry of the Wine prefix.
#include "jobs/proxy_override.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include "infolog/info_log.h"
#include "jobs/proxy_registry.h"
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
        {true, REG_DWORD, 1, true},   {false, REG_DWORD, 1, false}, {true, REG_DWORD, 0, false},
        {true, REG_DWORD, 2, false},  {true, 0, 0, false},          {true, REG_SZ, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "setting " << c.setting << " type " << c.type << " value " << c.value);
        App().settings.AlwaysDirectConnection = c.setting;
        RegistryValue proxy(kProxyEnablePath, RegistryValue::Open::CreateKey);
        proxy.Delete();
        if (c.type == REG_DWORD) ProxyRegistryState::Set(c.value);
        if (c.type == REG_SZ) proxy.WriteData(REG_SZ, "1", 2);

        SwitchProxyOff();
        EXPECT_EQ(App().proxySwitchedOff, c.switched);
        EXPECT_EQ(proxy.ValueType(), c.type);
        EXPECT_EQ(ProxyRegistryState::Get(), c.switched ? 0u : (c.type == REG_DWORD ? c.value : 0u));
        EXPECT_EQ(ProxyRegistryState::MarkOwner(), c.switched ? ::GetCurrentProcessId() : 0u);

        SwitchProxyBack();
        EXPECT_FALSE(App().proxySwitchedOff);
        EXPECT_EQ(proxy.ValueType(), c.type) << "never created, never retyped";
        EXPECT_EQ(ProxyRegistryState::Get(), c.type == REG_DWORD ? c.value : 0u);
        EXPECT_EQ(ProxyRegistryState::MarkType(), 0u);
    }
}

// Some other process of the prefix that runs now (Wine's services, for one).
DWORD OtherRunningProcess() {
    KernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
        if (entry.th32ProcessID != ::GetCurrentProcessId() && entry.th32ProcessID != 0) return entry.th32ProcessID;
    }
    return 0;
}

TEST_F(ProxyOverrideTest, TheMarkOfAnEndedProcessSwitchesBackAtStart) {
    ProxyRegistryState::Set(0);
    RestoreProxyAtStart();  // no mark: the user's 0 stays
    EXPECT_EQ(ProxyRegistryState::Get(), 0u);

    const DWORD other = OtherRunningProcess();
    ASSERT_NE(other, 0u);
    ProxyRegistryState::SetMark(other);  // another Kometori fetching right now
    RestoreProxyAtStart();
    EXPECT_EQ(ProxyRegistryState::Get(), 0u);
    EXPECT_EQ(ProxyRegistryState::MarkOwner(), other);

    ProxyRegistryState::SetMark(0xFFFFFFF0);  // no such process any more
    LineCapture log;
    RestoreProxyAtStart();
    EXPECT_EQ(ProxyRegistryState::Get(), 1u);
    EXPECT_EQ(ProxyRegistryState::MarkType(), 0u);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"※前回の終了時に無効化したままだったIEのプロクシ設定を元に戻しました"});
}

}  // namespace
