// The NG rules as the exports use them: the rule file read and checked, the
// log lines after an export, and what the rules look at in a chat element.
#pragma once

#include <optional>
#include <string>

#include "export/ng_rules.h"
#include "settings/settings.h"

class ChatElement;

// Reads and parses the rule file. On a failure logs
// "◆NGルールの読み込みに失敗しました" and a line naming the file or the line
// that failed, and returns false.
bool LoadNgRules(const std::wstring& path, NgRuleSet& rules);

// Nothing when the choice is off; otherwise the rule file loaded into a new
// filter (its path logged). False (logged) when it could not be loaded.
bool PrepareNgFilter(const NgChoice& choice, std::optional<NgFilter>& filter);

// "NG: N 件を除外しました", then the rules that hid anything, most first, at
// most ten: the count and the rule as written.
void LogNgSummary(const NgFilter& filter);

// Runs an export (a call taking the filter, null with the rules off) with the
// rules of the choice, and logs what they hid. False when the rules could not
// be loaded (nothing exported) or the export failed.
template <typename Export>
bool ExportWithNgRules(const NgChoice& choice, Export run) {
    std::optional<NgFilter> filter;
    if (!PrepareNgFilter(choice, filter) || !run(filter ? &*filter : nullptr)) return false;
    if (filter) LogNgSummary(*filter);
    return true;
}

// The fields of the chat element the rules read; text is the caller's (the
// element's text in UTF-16) and must outlive the result, as must the element.
NgComment NgCommentOf(const ChatElement& chat, const std::wstring* text);
