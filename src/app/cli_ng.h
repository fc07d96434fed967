// --ng FILE and --no-ng, the NG rules' switches of every command that exports
// comments (get, convert, subtitles, export). Without either the INI decides.
#pragma once

#include <string>

#include "app/cli.h"

struct NgSwitches {
    bool given = false;  // --ng or --no-ng appeared
    bool apply = false;
    std::wstring file;   // --ng's file, as given
};

// Reads args[i] when it is one of the switches (with --ng's value, moving i
// past it): 1 taken, 0 not a switch of ours, -1 a usage error (error says which).
int TakeNgSwitch(const CommandArguments& args, int& i, NgSwitches& switches, std::string& error);

// Puts the switches over the INI's "ng" keys in memory (the file is never
// written). With the rules on, when check is set, loads the rule file once,
// so that one that cannot be read or parsed ends the command before anything
// is done: false then, the lines logged (the command exits with status 2).
bool ApplyNgSwitches(const NgSwitches& switches, bool check);

// The usage lines of the two switches, in Japanese and English.
extern const char kNgUsage[];
extern const char kNgUsageEnglish[];
