// The one reader of the console commands' arguments. Each command declares its
// options once, in a table; the reader adds those every command shares (-y,
// -h, and --ng/--no-ng where the command exports comments), walks the
// arguments, hands each option's value to the option's action and prints the
// help or the usage error.
//
// Options: "-o VALUE", "--output VALUE", "--output=VALUE"; a switch takes no
// value. "--" ends the options; "-" alone and anything not starting with "-"
// is an operand (a file, an address).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/cli_ng.h"

// An option's value as given: in the ANSI code page for numbers and texts, in
// UTF-16 for paths; option is the option as typed ("-o", "--width").
struct OptionValue {
    std::string option;
    std::string text;
    std::wstring wide;
};

// What an option does with its value: false refuses it, with error the line
// to show (left empty: BadValue's).
using OptionAction = std::function<bool(const OptionValue& value, std::string& error)>;

struct CliOption {
    const char* name;   // "output" for --output
    char letter;        // 'o' for -o; 0 for none
    const char* value;  // the value's name in the help ("FILE"); nullptr for a switch
    std::string help;   // one line, in Japanese
    OptionAction take;
    bool oneWhenBare = false;  // a "0|1" value that may be left out, meaning 1
};

struct CliCommand {
    const char* name;      // "convert"
    const char* operands;  // "コメントファイル.xml [テキストファイル.txt]"
    const char* about;     // what the command does: lines, each ending in "\n"
    std::vector<CliOption> options;
    bool ngSwitches = false;  // takes --ng FILE and --no-ng
};

// What the reader gathered beside the options' actions.
struct CommandLine {
    std::vector<std::wstring> operands;  // as given
    bool overwrite = false;              // -y, --overwrite
    NgSwitches ng;
};

enum class ReadOutcome { Go, Help, Refused };

// Reads args (args[0] is the command's name) in order, calling the actions as
// their options come. Help at the first -h or --help; Refused at the first
// option that is unknown, lacks its value or whose value is refused (error:
// the one line naming it).
ReadOutcome ParseCommandLine(const CommandArguments& args, const CliCommand& command, CommandLine& line,
                             std::string& error);

// ParseCommandLine, printing the help on standard output or the error on
// standard error: the exit status when the command ends there (0 after the
// help, 2 after a usage error), nothing when it goes on.
std::optional<int> ReadCommandLine(const CommandArguments& args, const CliCommand& command, CommandLine& line);

// The command's help: usage line, about, every option, the exit status.
std::string CommandHelp(const CliCommand& command);

// A usage error: the message as one line on standard error; returns 2.
int UsageError(const std::string& message);

// The lines of refused values, naming the option as typed.
std::string MissingValue(const OptionValue& value);  // "--csv: 値がありません / missing value"
std::string BadValue(const OptionValue& value);      // "--width: 値が正しくありません / bad value: abc"

// Actions for the plain cases: a switch that sets a flag, a value kept as
// text or as a path, a file's name that may not be empty.
OptionAction SetFlag(bool& flag);
OptionAction Store(std::string& text);
OptionAction Store(std::wstring& path);
OptionAction StoreFile(std::wstring& path);

struct SubtitleSettings;
// The switches of the [subtitle] options ("--gap 8", "--overlay" alone for 1),
// set in options: `subtitles` and `get --subtitles` share them.
std::vector<CliOption> SubtitleCliOptions(SubtitleSettings& options);
