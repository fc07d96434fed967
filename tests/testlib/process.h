// Runs the build's programs from a test: standard output and error into a
// file (Wine's helpers inherit handles, so no pipes), a bounded wait.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A program built beside the test programs' folder, e.g. "kometori-cli.exe".
std::string BuildProgram(const std::string& name);

struct ProgramRun {
    DWORD exitCode = 0xFFFFFFFF;  // 0xFFFFFFFF when it could not start or hung
    std::string output;           // stdout and stderr bytes, in the order written
};

// Runs `program` with the command line tail `arguments` in `directory`, as
// the shell does: wide, every character as typed. Narrow texts are taken in
// the ANSI code page.
ProgramRun RunProgram(const std::string& program, const std::wstring& arguments, const std::wstring& directory,
                      DWORD timeoutMs = 120000);
ProgramRun RunProgram(const std::string& program, const std::string& arguments, const std::string& directory,
                      DWORD timeoutMs = 120000);

// Splits output at "\r\n" (a last line without one included).
std::vector<std::string> OutputLines(const std::string& output);
