// The NG rules as the exports use them: the rule file read and checked, the
// log lines after an export, and what the rules look at in a chat element;
// and the rule file as the window's editor reads and writes it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "ng/ng_rules.h"
#include "settings/settings.h"

class ChatElement;

// Reads and parses the rule file. On a failure logs
// "◆NGルールの読み込みに失敗しました" and a line naming the file or the line
// that failed, and returns false.
bool LoadNgRules(const std::wstring& path, NgRuleSet& rules);

// The line that failed and why: "3 行目: re:(abc (正規表現が正しくありません: ...)".
std::wstring NgRuleErrorText(const NgRuleError& error);

// The rule file as the editor holds it.
struct NgRuleDocument {
    std::wstring text;           // CR LF line ends
    bool byteOrderMark = false;  // the file began with one: written back with one
    bool fromAnsi = false;       // not UTF-8: read in the ANSI code page, written back as UTF-8
};

// Reads the rule file for editing; a missing file (or folder) is an empty
// document. False when it exists but cannot be read, or holds a zero byte,
// which the editor's box cannot hold (error: the system's code).
bool ReadNgRuleDocument(const std::wstring& path, NgRuleDocument& document, DWORD& error);
// Writes the text as the rule file (UTF-8, CR LF) through a temporary file,
// so a failure leaves the old file as it was. False with the system's code.
bool WriteNgRuleDocument(const std::wstring& path, const NgRuleDocument& document, DWORD& error);

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
