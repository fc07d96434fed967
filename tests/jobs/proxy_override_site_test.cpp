// The proxy switch around real fetch jobs against the stand-in site, and a
// console companion ended by force while the proxy is off.
#include "jobs/proxy_override.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <stdexcept>

#include "jobs/fetch_job.h"
#include "testlib/proxy_registry.h"
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
    // Asked at every address, once the job has switched the proxy.
    bool GetAllChecked() override {
        proxyAtAddress = ProxyRegistryState::Get();
        return false;
    }
    void ShowSaved() override {
        proxyDuringJob = ProxyRegistryState::Get();
        systemAccessDuringJob = AccessType(HttpSession::Access::Preconfigured);
        if (throwOnSaved) throw std::runtime_error("view");
    }
    int busy = 0, stopOnBusy = 0;
    bool throwOnSaved = false;
    DWORD proxyAtAddress = 99, proxyDuringJob = 99, systemAccessDuringJob = 0;
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
        input.saveFolder = dir_.WidePath();
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

struct EndRow {
    const char* name;
    const char* addresses;
    int stopOnBusy;  // 0: never
    bool throws;     // the view throws once the comments are saved
};

// However the job ends, the proxy it switched off is back on at its end.
TEST_F(ProxyJobTest, EveryEndOfTheJobSwitchesItBack) {
    const EndRow rows[] = {
        {"saved", "sm9", 0, false},
        {"failed", "sm3", 0, false},
        {"stopped before the pause", "sm9;sm1234", 2, false},
        {"thrown", "sm9", 0, true},
    };
    for (const EndRow& row : rows) {
        SCOPED_TRACE(row.name);
        ProxyRegistryState::Set(1);
        WatchingView view;
        view.stopOnBusy = row.stopOnBusy;
        view.throwOnSaved = row.throws;
        if (row.throws) {
            EXPECT_THROW(Run(row.addresses, view), std::runtime_error);
        } else {
            Run(row.addresses, view);
        }
        EXPECT_EQ(view.proxyAtAddress, 0u);
        EXPECT_EQ(ProxyRegistryState::Get(), 1u);
        EXPECT_FALSE(App().proxySwitchedOff);
        EXPECT_EQ(ProxyRegistryState::MarkType(), 0u);
    }
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
    while (ProxyRegistryState::MarkOwner().processId != info.dwProcessId && ::GetTickCount() - start < 20000) {
        ASSERT_EQ(::WaitForSingleObject(process.get(), 50), static_cast<DWORD>(WAIT_TIMEOUT));
    }
    ASSERT_EQ(ProxyRegistryState::MarkOwner().processId, info.dwProcessId);
    EXPECT_EQ(ProxyRegistryState::Get(), 0u);
    ::TerminateProcess(process.get(), 3);
    ASSERT_EQ(::WaitForSingleObject(process.get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(ProxyRegistryState::Get(), 0u) << "nothing ran after the crash";

    RestoreProxyAtStart();
    EXPECT_EQ(ProxyRegistryState::Get(), 1u);
    EXPECT_EQ(ProxyRegistryState::MarkType(), 0u);
}

}  // namespace
