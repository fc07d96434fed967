// The proxy switch around real fetch jobs against the stand-in site, and a
// console companion ended by force while the proxy is off.
#include "jobs/proxy_override.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include "jobs/fetch_job.h"
#include "jobs/proxy_registry.h"
#include "support/http.h"
#include "testlib/process.h"
#include "testlib/site_test.h"
#include "testlib/temp_dir.h"

namespace {

// The access type WinINet chose for a root handle: the system's settings are
// read by every InternetOpen, so a session opened now follows the switch.
DWORD AccessType(HttpSession::Access access) {
    HttpSession session;
    if (!session.Open(access)) return 0;
    char buffer[512] = {};
    DWORD size = sizeof buffer;
    if (!::InternetQueryOptionA(session.Handle(), INTERNET_OPTION_PROXY, buffer, &size)) return 0;
    return reinterpret_cast<INTERNET_PROXY_INFO*>(buffer)->dwAccessType;
}

// Looks at the switch while the job is at work.
class WatchingView : public FetchJobView {
public:
    void ShowBusy() override {
        if (++busy == stopOnBusy) FetchStopRequested() = true;
    }
    void ShowSaved() override {
        proxyDuringJob = ProxyRegistryState::Get();
        systemAccessDuringJob = AccessType(HttpSession::Access::Preconfigured);
    }
    int busy = 0, stopOnBusy = 0;
    DWORD proxyDuringJob = 99, systemAccessDuringJob = 0;
};

class ProxyJobTest : public SiteTest {
protected:
    void SetUp() override {
        SiteTest::SetUp();
        StandinSignIn("premium");
        App().settings.FilenameFormat = "%thread%";
        App().settings.AutoOverWrite = true;
        App().settings.AccessWait = 1;
        App().settings.AlwaysDirectConnection = true;
        ProxyRegistryState::Set(1);
    }
    FetchJobResult Run(const std::string& addresses, WatchingView& view) {
        FetchJobInput input;
        input.addressText = addresses;
        input.saveFolder = dir_.Path();
        input.commentCount = 3;
        FetchStopRequested() = false;  // as whoever starts a job does
        return RunFetchJob(input, view);
    }

    ProxyRegistryState registry_;
    TempDir dir_;
};

TEST_F(ProxyJobTest, OffWhileTheJobRunsAndOnAgainAfterIt) {
    EXPECT_EQ(AccessType(HttpSession::Access::Preconfigured), static_cast<DWORD>(INTERNET_OPEN_TYPE_PROXY));
    WatchingView view;
    ASSERT_EQ(Run("sm9", view).saved, 1);
    EXPECT_EQ(view.proxyDuringJob, 0u);
    // The message-server exchange opens with the system's settings: direct now.
    EXPECT_EQ(view.systemAccessDuringJob, static_cast<DWORD>(INTERNET_OPEN_TYPE_DIRECT));
    EXPECT_EQ(ProxyRegistryState::Get(), 1u);
    EXPECT_FALSE(App().proxySwitchedOff);
    EXPECT_EQ(ProxyRegistryState::MarkType(), 0u);
    EXPECT_EQ(AccessType(HttpSession::Access::Preconfigured), static_cast<DWORD>(INTERNET_OPEN_TYPE_PROXY));
    // Page reads and the sign-in open direct sessions whatever the switch says.
    EXPECT_EQ(AccessType(HttpSession::Access::Direct), static_cast<DWORD>(INTERNET_OPEN_TYPE_DIRECT));
}

TEST_F(ProxyJobTest, AStoppedJobLeavesItOffUntilTheNextJobEndsOrTheExit) {
    auto runStopped = [&] {
        WatchingView stopped;
        stopped.stopOnBusy = 2;  // before the pause after the first address
        EXPECT_TRUE(Run("sm9;sm1234", stopped).stopped);
        EXPECT_EQ(ProxyRegistryState::Get(), 0u);
        EXPECT_TRUE(App().proxySwitchedOff);
    };
    runStopped();
    RestoreProxyAtExit();
    EXPECT_EQ(ProxyRegistryState::Get(), 1u);
    EXPECT_EQ(ProxyRegistryState::MarkType(), 0u);

    // The next job finds 0 and changes nothing at its start; its end switches
    // back, even with the setting turned off meanwhile.
    runStopped();
    App().settings.AlwaysDirectConnection = false;
    WatchingView next;
    ASSERT_EQ(Run("sm1234", next).saved, 1);
    EXPECT_EQ(next.proxyDuringJob, 0u);
    EXPECT_EQ(ProxyRegistryState::Get(), 1u);
    EXPECT_FALSE(App().proxySwitchedOff);
    // Nothing switched off now: the exit leaves a user's 0 alone.
    ProxyRegistryState::Set(0);
    RestoreProxyAtExit();
    EXPECT_EQ(ProxyRegistryState::Get(), 0u);
}

TEST_F(ProxyJobTest, AConsoleCompanionEndedByForceLeavesAMarkThatTheNextStartUses) {
    WriteFileBytes(dir_.File("Kometori.ini"), "[site]\r\nMainHost=" + StandinMainHost() + "\r\nSecureHost=" +
                                                  StandinSecureHost() + "\r\n[main]\r\nAlwaysDirectConnection=1\r\n");
    StandinFault("message", "stall");
    const std::string program = BuildProgram("kometori-cli.exe");
    std::string commandLine = "\"" + program + "\" get -o \"" + dir_.Path() + "\" sm9";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                                 dir_.Path().c_str(), &startup, &info));
    KernelHandle process(info.hProcess);
    KernelHandle thread(info.hThread);
    // Wait for the stalled exchange: the proxy is off and the mark names the process.
    const DWORD start = ::GetTickCount();
    while (ProxyRegistryState::MarkOwner() != info.dwProcessId && ::GetTickCount() - start < 20000) {
        ASSERT_EQ(::WaitForSingleObject(process.get(), 50), static_cast<DWORD>(WAIT_TIMEOUT));
    }
    ASSERT_EQ(ProxyRegistryState::MarkOwner(), info.dwProcessId);
    EXPECT_EQ(ProxyRegistryState::Get(), 0u);
    ::TerminateProcess(process.get(), 3);
    ASSERT_EQ(::WaitForSingleObject(process.get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(ProxyRegistryState::Get(), 0u) << "nothing ran after the crash";

    RestoreProxyAtStart();
    EXPECT_EQ(ProxyRegistryState::Get(), 1u);
    EXPECT_EQ(ProxyRegistryState::MarkType(), 0u);
}

}  // namespace
