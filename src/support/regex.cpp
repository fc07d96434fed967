#include "support/regex.h"

#include <atomic>

#include <windows.h>

#include <boost/regex.hpp>
// Boost leaves the Windows traits out for gcc by default; they are what matches
// code page 932 text the way the system does.
#include <boost/regex/v5/w32_regex_traits.hpp>

#include "infolog/info_log.h"
#include "support/codepage.h"

namespace {

using Regex = boost::basic_regex<char, boost::w32_regex_traits<char>>;

std::atomic<bool> g_reportPending{true};

void ReportRegexError(const char* operation, const std::string& text, const std::string& pattern,
                      const boost::regex_error& error) {
    if (!g_reportPending.exchange(false)) return;
    InfoLog << "Error : " << operation << EndLine;
    InfoLog << "正規表現処理中にエラーが発生しました -> str=" << text << " / regex=" << pattern << EndLine;
    InfoLog << "エラー内容 : " << error.what() << EndLine;
    InfoLog << "※以降同様のエラー内容は負荷軽減のために省略されます" << EndLine;
}

}  // namespace

bool RegexSearch(const std::string& text, const std::string& pattern, std::vector<std::string>& groups,
                 bool skipEmpty) {
    try {
        Regex expression(pattern);
        boost::smatch match;
        if (!boost::regex_search(text, match, expression)) return false;
        groups.reserve(groups.size() + match.size());
        for (std::size_t i = 0; i < match.size(); ++i) {
            std::string group = match[i].matched ? match[i].str() : std::string();
            if (skipEmpty && group.empty()) continue;
            groups.push_back(std::move(group));
        }
        return true;
    } catch (const boost::regex_error& error) {
        ReportRegexError("RegexSearch", text, pattern, error);
        return false;
    }
}

bool RegexMatch(const std::string& text, const std::string& pattern) {
    try {
        return boost::regex_match(text, Regex(pattern));
    } catch (const boost::regex_error& error) {
        ReportRegexError("RegexMatch", text, pattern, error);
        return false;
    }
}

bool RegexReplace(std::string& text, const std::string& pattern, const std::string& format) {
    try {
        std::string result = boost::regex_replace(text, Regex(pattern), format);
        text.swap(result);
        return true;
    } catch (const boost::regex_error& error) {
        ReportRegexError("RegexReplace", text, pattern, error);
        return false;
    }
}

// The pattern as the INI file holds it, in the ANSI code page.
WideRegex::WideRegex(const std::string& pattern) : WideRegex(AnsiToWide(pattern)) {}
