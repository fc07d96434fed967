#include "ng/ng_rule_file.h"

#include <windows.h>

#include "comments/comment_reader.h"
#include "ng/ng_rule_text.h"
#include "infolog/info_log.h"
#include "support/codepage.h"
#include "support/handles.h"
#include "support/replacing_file.h"

namespace {

// A rule file is a few lines; anything near this is not one.
constexpr DWORD kLargestRuleFile = 16 * 1024 * 1024;

const char kLoadFailed[] = "◆NGルールの読み込みに失敗しました";

std::string FaultText(const NgRuleError& error) {
    switch (error.fault) {
        case NgRuleFault::NotUtf8: return "UTF-8 で保存して下さい";
        case NgRuleFault::UnknownPrefix: return "使える種類は re: user: mail: time: date: です";
        case NgRuleFault::Empty: return "値がありません";
        case NgRuleFault::BadPattern: return "正規表現が正しくありません: " + error.detail;
        case NgRuleFault::BadMail: return "mail: にはコマンドを1つだけ書いて下さい";
        case NgRuleFault::BadTime: return "time:開始-終了 の時刻は m:ss, mm:ss, h:mm:ss で、開始は終了より前です";
        case NgRuleFault::BadDate:
            return "date:開始..終了 の日時は YYYY-MM-DD か YYYY-MM-DD HH:MM で、開始は終了より前です";
    }
    return std::string();
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes, DWORD& error) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size)) {
        error = ::GetLastError();
        return false;
    }
    if (size.QuadPart > kLargestRuleFile) {
        error = ERROR_FILE_TOO_LARGE;
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size())) {
        error = ::GetLastError();
        return false;
    }
    return true;
}

}  // namespace

bool LoadNgRules(const std::wstring& path, NgRuleSet& rules) {
    std::string bytes;
    DWORD code = 0;
    if (!ReadWholeFile(path, bytes, code)) {
        InfoLog << kLoadFailed << EndLine;
        InfoLog << "ファイルを読めません: " << ShownPath(path) << " (" << static_cast<unsigned long>(code) << ")"
                << EndLine;
        return false;
    }
    NgRuleError error;
    if (!rules.Parse(bytes, error)) {
        InfoLog << kLoadFailed << EndLine;
        InfoLog << WideToAnsi(NgRuleErrorText(error)) << EndLine;
        return false;
    }
    return true;
}

std::wstring NgRuleErrorText(const NgRuleError& error) {
    return std::to_wstring(error.lineNumber) + L" 行目: " + Utf8ToWide(error.line) + L" (" +
           AnsiToWide(FaultText(error)) + L")";
}

bool ReadNgRuleDocument(const std::wstring& path, NgRuleDocument& document, DWORD& error) {
    document = NgRuleDocument();
    std::string bytes;
    DWORD code = 0;
    if (!ReadWholeFile(path, bytes, code)) {
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return true;
        error = code;
        return false;
    }
    if (bytes.find('\0') != std::string::npos) {
        error = ERROR_INVALID_DATA;
        return false;
    }
    // Saved by an editor in the ANSI code page, most likely: shown as such and
    // written back as UTF-8, which is what the rules need.
    if (!RuleFileToEditText(bytes, document.text, document.byteOrderMark)) {
        document.text = WithCrLf(AnsiToWide(bytes));
        document.fromAnsi = true;
    }
    return true;
}

bool WriteNgRuleDocument(const std::wstring& path, const NgRuleDocument& document, DWORD& error) {
    ReplacingFile file;
    if (file.Begin(path) && file.Write(EditTextToRuleFile(document.text, document.byteOrderMark)) && file.Commit()) {
        return true;
    }
    error = file.LastError();
    return false;
}

bool PrepareNgFilter(const NgChoice& choice, std::optional<NgFilter>& filter) {
    filter.reset();
    if (!choice.apply) return true;
    InfoLog << "NG = " << ShownPath(choice.ruleFile) << EndLine;
    NgRuleSet rules;
    if (!LoadNgRules(choice.ruleFile, rules)) return false;
    filter.emplace(std::move(rules));
    return true;
}

void LogNgSummary(const NgFilter& filter) {
    InfoLog << "NG: " << filter.Excluded() << " 件を除外しました" << EndLine;
    for (const NgFilter::RuleHits& top : filter.TopRules(10)) {
        InfoLog << "  " << top.hits << " 件: " << WideToAnsi(filter.Rules().RuleText(top.rule)) << EndLine;
    }
}

NgComment NgCommentOf(const ChatElement& chat, const std::wstring* text) {
    NgComment comment;
    comment.text = text;
    chat.FindAttribute("user_id", comment.userId);
    chat.FindAttribute("mail", comment.mail);
    comment.hasVpos = chat.FindInteger("vpos", comment.vpos);
    comment.hasDate = chat.FindInteger("date", comment.date);
    return comment;
}
