// The version notice file of the author's site: its first line names the
// newest published version, the rest is news for the user. Reading it and the
// question built from it, without the network or the window.
#pragma once

#include <string>

struct VersionNotice {
    std::string firstLine;     // the whole reply when its first line is empty or it has no line feed
    std::string rest;          // after the first line feed
    double published = 0;      // 0 when the first line is not a number
    bool testVersion = false;  // not a number, and ends in "b" or holds "beta"
};

VersionNotice ReadVersionNotice(const std::string& reply);

// The version as an integer: 1.32 is 132, 1.325 is 133.
int VersionCode(double version);

// The question whether to open the author's page about the published version.
std::string VersionQuestion(const std::string& programName, const VersionNotice& notice);
