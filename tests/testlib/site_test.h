// Base of tests that talk to the stand-in site: the settings point at its
// hosts, the site starts from a clean state and nobody is signed in.
#pragma once

#include <gtest/gtest.h>

#include "settings/settings.h"
#include "testlib/standin_client.h"

class SiteTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StandinAvailable());
        saved_ = App().settings;
        App().settings.site.MainHost = StandinMainHost();
        App().settings.site.SecureHost = StandinSecureHost();
        App().settings.Mail.clear();
        App().settings.Pass.clear();
        StandinReset();
        StandinSignOut();
    }
    void TearDown() override {
        App().settings = saved_;
        StandinSignOut();
        StandinReset();
    }

private:
    AppSettings saved_;
};
