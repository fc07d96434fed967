// The console companion's commands. Each returns the process exit status:
// 0 all done, 1 a failure or a cancel, 2 a usage error.
#pragma once

#include <string>
#include <vector>

// A command's arguments, the command's name first: as given in UTF-16, so that
// paths reach the file system whole, and in the ANSI code page for options,
// numbers and texts such as a line format.
class CommandArguments {
public:
    explicit CommandArguments(std::vector<std::wstring> wide);

    int size() const { return static_cast<int>(wide_.size()); }
    const std::string& operator[](int i) const { return narrow_[static_cast<std::size_t>(i)]; }
    const std::wstring& Wide(int i) const { return wide_[static_cast<std::size_t>(i)]; }
    // What follows the first "=" of the argument, as given ("--csv=表.csv").
    std::wstring WideAfterEquals(int i) const;

private:
    std::vector<std::wstring> wide_;
    std::vector<std::string> narrow_;
};

int RunGetCommand(const CommandArguments& args);        // args[0] is "get"
int RunConvertCommand(const CommandArguments& args);    // args[0] is "convert"
int RunMergeCommand(const CommandArguments& args);      // args[0] is "merge"
int RunSubtitlesCommand(const CommandArguments& args);  // args[0] is "subtitles"
int RunExportCommand(const CommandArguments& args);     // args[0] is "export"
int RunGraphCommand(const CommandArguments& args);      // args[0] is "graph"
