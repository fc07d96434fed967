// --ng FILE and --no-ng, the NG rules' switches of every command that exports
// comments (get, convert, subtitles, export, graph); the argument reader
// (app/cli_options.h) reads them. Without either the INI decides.
#pragma once

#include <string>

struct NgSwitches {
    bool given = false;  // --ng or --no-ng appeared
    bool apply = false;
    std::wstring file;  // --ng's file, as given
};

// Puts the switches over the INI's "ng" keys in memory (the file is never
// written). With the rules on, when check is set, loads the rule file once,
// so that one that cannot be read or parsed ends the command before anything
// is done: false then, the lines logged (the command exits with status 2).
bool ApplyNgSwitches(const NgSwitches& switches, bool check);
