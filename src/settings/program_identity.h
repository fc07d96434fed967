// What a written file records of the program that made it.
#pragma once

#include <string>

struct ProgramIdentity {
    std::string name;         // "Kometori"
    std::string version;      // "1.32"
    std::string iniFileName;  // the settings file it read, "Kometori.ini"
};
