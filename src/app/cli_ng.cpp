#include "app/cli_ng.h"

#include "ng/ng_rule_file.h"
#include "settings/settings.h"

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
