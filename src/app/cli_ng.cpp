#include "app/cli_ng.h"

#include "ng/ng_rule_file.h"
#include "settings/settings.h"

const char kNgUsage[] =
    "  --ng FILE           NGルールのファイルを使う (既定: Kometori.ini の [ng] Apply と RuleFile)\n"
    "  --no-ng             NGルールを使わない\n";
const char kNgUsageEnglish[] =
    "  --ng FILE           apply the NG rules of FILE (default: [ng] Apply and RuleFile of the INI)\n"
    "  --no-ng             apply no NG rules\n";

int TakeNgSwitch(const CommandArguments& args, int& i, NgSwitches& switches, std::string& error) {
    const std::string& arg = args[i];
    const bool on = arg == "--ng" || arg.compare(0, 5, "--ng=") == 0;
    if (!on && arg != "--no-ng") return 0;
    if (switches.given && switches.apply != on) {
        error = "--ng と --no-ng は同時に指定できません / give --ng or --no-ng, not both";
        return -1;
    }
    switches.given = true;
    switches.apply = on;
    if (arg == "--ng") {
        if (i + 1 >= args.size()) {
            error = "--ng: ファイルがありません / missing file";
            return -1;
        }
        switches.file = args.Wide(++i);
    } else if (on) {
        switches.file = args.WideAfterEquals(i);
    }
    if (on && switches.file.empty()) {
        error = "--ng: ファイルがありません / missing file";
        return -1;
    }
    return 1;
}

bool ApplyNgSwitches(const NgSwitches& switches, bool check) {
    NgSettings& ng = App().settings.ng;
    if (switches.given) {
        ng.Apply = switches.apply;
        if (switches.apply) ng.RuleFile = switches.file;
    }
    const NgChoice choice = App().settings.NgRuleChoice();
    NgRuleSet rules;
    return !check || !choice.apply || LoadNgRules(choice.ruleFile, rules);
}
