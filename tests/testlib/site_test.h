// Bases of tests that talk to the stand-in site: it starts from a clean state
// and nobody is signed in.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "settings/settings.h"
#include "testlib/standin_client.h"

// The acquisition and the sign-in are handed the stand-in's hosts and an account of the test's own.
class StandinSiteTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StandinAvailable());
        access.site.MainHost = StandinMainHost();
        access.site.SecureHost = StandinSecureHost();
        StandinReset();
        StandinSignOut();
    }
    void TearDown() override {
        StandinSignOut();
        StandinReset();
    }

    std::string mail, pass;  // the stored account
    SiteAccess access{SiteSettings(), WebRoute(), "Kometori", &mail, &pass};
};

// The jobs and the windows read the settings: they point at the stand-in.
class SiteTest : public StandinSiteTest {
protected:
    void SetUp() override {
        StandinSiteTest::SetUp();
        saved_ = App().settings;
        App().settings.site = access.site;
        App().settings.Mail.clear();
        App().settings.Pass.clear();
    }
    void TearDown() override {
        App().settings = saved_;
        StandinSiteTest::TearDown();
    }

private:
    AppSettings saved_;
};
