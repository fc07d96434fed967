// The console commands' argument reader, on a command of its own.
#include <gtest/gtest.h>

#include "app/cli_options.h"
#include "support/codepage.h"
#include "testlib/temp_dir.h"

namespace {

class CliOptionsTest : public ::testing::Test {
protected:
    // "name=value " per action run, in order; paths in UTF-8.
    OptionAction Trace(const char* name, bool path = false) {
        return [this, name, path](const OptionValue& value, std::string&) {
            trace += std::string(name) + "=" + (path ? WideToUtf8(value.wide) : value.text) + " ";
            return true;
        };
    }
    // What the reader did: the actions, -y, the NG switches and the operands;
    // the error line when it refused.
    std::string Read(std::vector<std::wstring> words, ReadOutcome expected) {
        words.insert(words.begin(), L"test");
        CommandLine line;
        std::string error;
        trace.clear();
        EXPECT_EQ(ParseCommandLine(CommandArguments(words), command, line, error), expected);
        if (!error.empty()) return error;
        if (line.overwrite) trace += "-y ";
        if (line.ng.given) trace += line.ng.apply ? "ng=" + WideToUtf8(line.ng.file) + " " : "no-ng ";
        for (const std::wstring& operand : line.operands) trace += "[" + WideToUtf8(operand) + "] ";
        return trace;
    }

    std::string trace;
    CliCommand command{"test",
                       "ファイル...",
                       "ファイルを読みます。\n",
                       {
                           {"count", 'n', "N", "件数", Trace("count")},
                           {"output", 'o', "FILE", "出力ファイル", Trace("output", true)},
                           {"all", 'a', nullptr, "全て",
                            [this](const OptionValue&, std::string&) {
                                trace += "all ";
                                return true;
                            }},
                           {"overlay", 0, "0|1", "重ねる", Trace("overlay"), true},
                           {"width", 0, "N", "幅",
                            [](const OptionValue& value, std::string&) {
                                return !value.text.empty() &&
                                       value.text.find_first_not_of("0123456789") == std::string::npos;
                            }},
                           {"past", 'p', "\"YYYY-MM-DD HH:MM:SS\"", "その日時の過去ログ",
                            [](const OptionValue&, std::string& error) {
                                error = "過去ログの日時指定値が正しくありません。";
                                return false;
                            }},
                       },
                       true};
};

TEST_F(CliOptionsTest, OptionsValuesAndOperands) {
    const std::wstring emoji = std::wstring(kEmojiName) + L" \uC5C6\uC74C.xml";
    const struct {
        std::vector<std::wstring> words;
        std::string seen;
    } cases[] = {
        {{}, ""},
        {{L"a.xml", L"-", L"b.xml"}, "[a.xml] [-] [b.xml] "},
        // Every form, in order; a value is taken whatever it looks like.
        {{L"-n", L"3", L"--count=4", L"--count", L"-5", L"a.xml"}, "count=3 count=4 count=-5 [a.xml] "},
        {{L"--count=", L"--count=a=b"}, "count= count=a=b "},
        {{L"--count=表示"}, "count=表示 "},
        {{L"-o", emoji, L"--output=" + emoji}, "output=" + WideToUtf8(emoji) + " output=" + WideToUtf8(emoji) + " "},
        {{L"--", L"-n", L"--help", L"-"}, "[-n] [--help] [-] "},
        {{L"-a", L"--all"}, "all all "},
        // A 0|1 value may be left out.
        {{L"--overlay", L"a.xml", L"--overlay", L"0", L"--overlay=1"}, "overlay=1 overlay=0 overlay=1 [a.xml] "},
        {{L"--width", L"1280", L"-y"}, "-y "},
        {{L"--overwrite"}, "-y "},
        {{L"--ng", L"予定表.txt"}, u8"ng=予定表.txt "},
        {{L"--ng=a.txt", L"--ng", L"b.txt"}, "ng=b.txt "},
        {{L"--no-ng", L"--no-ng"}, "no-ng "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Read(c.words, ReadOutcome::Go), c.seen) << WideToUtf8(c.words.empty() ? L"" : c.words[0]);
    }
}

TEST_F(CliOptionsTest, TheFirstFaultIsNamedInOneLine) {
    const struct {
        std::vector<std::wstring> words;
        std::string error;
    } cases[] = {
        {{L"--bogus", L"-h"}, "不明なオプションです / unknown option: --bogus"},
        {{L"a.xml", L"-x"}, "不明なオプションです / unknown option: -x"},
        {{L"-ay"}, "不明なオプションです / unknown option: -ay"},
        {{L"-count"}, "不明なオプションです / unknown option: -count"},
        {{L"--all=1"}, "--all: 値は付けられません / takes no value"},
        {{L"-n"}, "-n: 値がありません / missing value"},
        {{L"a.xml", L"--count"}, "--count: 値がありません / missing value"},
        {{L"--width", L"1e2"}, "--width: 値が正しくありません / bad value: 1e2"},
        {{L"--width="}, "--width: 値が正しくありません / bad value: "},
        {{L"-p", L"yesterday"}, "過去ログの日時指定値が正しくありません。"},
        {{L"--ng", L"a.txt", L"--no-ng"}, "--ng と --no-ng は同時に指定できません / give --ng or --no-ng, not both"},
        {{L"--ng="}, "--ng: 値がありません / missing value"},
        {{L"a.xml", L"--ng"}, "--ng: 値がありません / missing value"},
    };
    for (const auto& c : cases) EXPECT_EQ(Read(c.words, ReadOutcome::Refused), c.error) << c.error;

    command.ngSwitches = false;
    EXPECT_EQ(Read({L"--ng", L"a.txt"}, ReadOutcome::Refused), "不明なオプションです / unknown option: --ng");
}

TEST_F(CliOptionsTest, HelpAtTheFirstHelpOption) {
    EXPECT_EQ(Read({L"-h", L"--bogus"}, ReadOutcome::Help), "");
    EXPECT_EQ(Read({L"a.xml", L"-n", L"1", L"--help", L"-n", L"2"}, ReadOutcome::Help), "count=1 [a.xml] ");
    EXPECT_EQ(CommandHelp(command),
              "使い方: kometori-cli test [オプション] ファイル...\n"
              "\n"
              "ファイルを読みます。\n"
              "\n"
              "オプション:\n"
              "  -n, --count N         件数\n"
              "  -o, --output FILE     出力ファイル\n"
              "  -a, --all             全て\n"
              "  --overlay 0|1         重ねる\n"
              "  --width N             幅\n"
              "  -p, --past \"YYYY-MM-DD HH:MM:SS\"\n"
              "                        その日時の過去ログ\n"
              "  -y, --overwrite       既存のファイルを確認せずに上書きする (既定: Kometori.ini の AutoOverWrite)\n"
              "  --ng FILE             NGルールのファイルを使う (既定: Kometori.ini の [ng] の Apply と RuleFile)\n"
              "  --no-ng               NGルールを使わない\n"
              "  -h, --help            この説明を表示する\n"
              "\n"
              "終了コード: 0 成功、1 失敗か取り消しがあった、2 使い方の誤りか読めないNGルール\n");
}

}  // namespace
