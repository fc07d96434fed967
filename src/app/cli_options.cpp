#include "app/cli_options.h"

#include <cstdio>

namespace {

// The help's column for the options' texts.
constexpr std::size_t kHelpColumn = 24;

const char kHelpName[] = "help";

// The options every command has after its own.
std::vector<CliOption> SharedOptions(const CliCommand& command, CommandLine& line) {
    std::vector<CliOption> shared{
        {"overwrite", 'y', nullptr, "既存のファイルを確認せずに上書きする (既定: Kometori.ini の AutoOverWrite)",
         SetFlag(line.overwrite)},
    };
    if (command.ngSwitches) {
        NgSwitches& ng = line.ng;
        auto choose = [&ng](bool apply, const OptionValue& value, std::string& error) {
            if (ng.given && ng.apply != apply) {
                error = "--ng と --no-ng は同時に指定できません / give --ng or --no-ng, not both";
                return false;
            }
            if (apply && value.wide.empty()) {
                error = MissingValue(value);
                return false;
            }
            ng.given = true;
            ng.apply = apply;
            if (apply) ng.file = value.wide;
            return true;
        };
        shared.push_back(
            {"ng", 0, "FILE", "NGルールのファイルを使う (既定: Kometori.ini の [ng] の Apply と RuleFile)",
             [choose](const OptionValue& value, std::string& error) { return choose(true, value, error); }});
        shared.push_back(
            {"no-ng", 0, nullptr, "NGルールを使わない",
             [choose](const OptionValue& value, std::string& error) { return choose(false, value, error); }});
    }
    shared.push_back({kHelpName, 'h', nullptr, "この説明を表示する", nullptr});
    return shared;
}

std::vector<CliOption> AllOptions(const CliCommand& command, CommandLine& line) {
    std::vector<CliOption> all = command.options;
    for (CliOption& option : SharedOptions(command, line)) all.push_back(std::move(option));
    return all;
}

// The option named by arg ("-o", "--output", "--output=x"), or null.
const CliOption* FindOption(const std::vector<CliOption>& options, const std::string& arg) {
    const bool isLong = arg.compare(0, 2, "--") == 0;
    if (!isLong && arg.size() != 2) return nullptr;
    const std::size_t equals = arg.find('=');
    const std::string name = isLong ? arg.substr(2, equals == std::string::npos ? equals : equals - 2) : std::string();
    for (const CliOption& option : options) {
        if (isLong ? name == option.name : arg[1] == option.letter) return &option;
    }
    return nullptr;
}

// "0" or "1" after an option whose value may be left out belongs to it.
bool BitFollows(const CommandArguments& args, int i) {
    return i + 1 < args.size() && (args[i + 1] == "0" || args[i + 1] == "1");
}

// The value of the option at args[i], moving i past a value of its own;
// false (error set) when it is missing or given to a switch.
bool TakeValue(const CommandArguments& args, int& i, const CliOption& option, OptionValue& value, std::string& error) {
    const std::string& arg = args[i];
    // '=' is below the code page's trail bytes: found byte by byte safely.
    const std::size_t equals = arg.compare(0, 2, "--") == 0 ? arg.find('=') : std::string::npos;
    value.option = arg.substr(0, equals);
    if (equals != std::string::npos) {
        if (!option.value) {
            error = value.option + ": 値は付けられません / takes no value";
            return false;
        }
        value.text = arg.substr(equals + 1);
        value.wide = args.WideAfterEquals(i);
    } else if (!option.value) {
        return true;
    } else if (option.oneWhenBare && !BitFollows(args, i)) {
        value.text = "1";
        value.wide = L"1";
    } else if (i + 1 < args.size()) {
        value.text = args[++i];
        value.wide = args.Wide(i);
    } else {
        error = MissingValue(value);
        return false;
    }
    return true;
}

std::string OptionLabel(const CliOption& option) {
    std::string label = "  ";
    if (option.letter) label += std::string("-") + option.letter + ", ";
    label += std::string("--") + option.name;
    if (option.value) label += std::string(" ") + option.value;
    return label;
}

}  // namespace

ReadOutcome ParseCommandLine(const CommandArguments& args, const CliCommand& command, CommandLine& line,
                             std::string& error) {
    const std::vector<CliOption> options = AllOptions(command, line);
    bool optionsEnded = false;
    for (int i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            line.operands.push_back(args.Wide(i));
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const CliOption* option = FindOption(options, arg);
        if (!option) {
            error = "不明なオプションです / unknown option: " + arg;
            return ReadOutcome::Refused;
        }
        OptionValue value;
        if (!TakeValue(args, i, *option, value, error)) return ReadOutcome::Refused;
        if (std::string(option->name) == kHelpName) return ReadOutcome::Help;
        if (!option->take(value, error)) {
            if (error.empty()) error = BadValue(value);
            return ReadOutcome::Refused;
        }
    }
    return ReadOutcome::Go;
}

std::optional<int> ReadCommandLine(const CommandArguments& args, const CliCommand& command, CommandLine& line) {
    std::string error;
    switch (ParseCommandLine(args, command, line, error)) {
        case ReadOutcome::Go: return std::nullopt;
        case ReadOutcome::Help: std::fputs(CommandHelp(command).c_str(), stdout); return 0;
        case ReadOutcome::Refused: break;
    }
    return UsageError(error);
}

std::string CommandHelp(const CliCommand& command) {
    std::string help = std::string("使い方: kometori-cli ") + command.name + " [オプション] " + command.operands +
                       "\n\n" + command.about + "\nオプション:\n";
    CommandLine unused;
    for (const CliOption& option : AllOptions(command, unused)) {
        const std::string label = OptionLabel(option);
        help += label;
        help += label.size() < kHelpColumn ? std::string(kHelpColumn - label.size(), ' ')
                                           : "\n" + std::string(kHelpColumn, ' ');
        help += option.help + "\n";
    }
    help += command.ngSwitches ? "\n終了コード: 0 成功、1 失敗か取り消しがあった、2 使い方の誤りか読めないNGルール\n"
                               : "\n終了コード: 0 成功、1 失敗か取り消しがあった、2 使い方の誤り\n";
    return help;
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 2;
}

std::string MissingValue(const OptionValue& value) { return value.option + ": 値がありません / missing value"; }

std::string BadValue(const OptionValue& value) {
    return value.option + ": 値が正しくありません / bad value: " + value.text;
}

OptionAction SetFlag(bool& flag) {
    return [&flag](const OptionValue&, std::string&) {
        flag = true;
        return true;
    };
}

OptionAction Store(std::string& text) {
    return [&text](const OptionValue& value, std::string&) {
        text = value.text;
        return true;
    };
}

OptionAction Store(std::wstring& path) {
    return [&path](const OptionValue& value, std::string&) {
        path = value.wide;
        return true;
    };
}

OptionAction StoreFile(std::wstring& path) {
    return [&path](const OptionValue& value, std::string& error) {
        if (value.wide.empty()) {
            error = MissingValue(value);
            return false;
        }
        path = value.wide;
        return true;
    };
}
