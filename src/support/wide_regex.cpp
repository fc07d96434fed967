// WideRegex without the ANSI code page: built for Windows with the system's
// locale traits, elsewhere (the native fuzz targets) with the C++ locale's.
#include "support/regex.h"

#ifdef _WIN32
#include <windows.h>

#include <boost/regex.hpp>
#include <boost/regex/v5/w32_regex_traits.hpp>
using WideTraits = boost::w32_regex_traits<wchar_t>;
#else
#include <boost/regex.hpp>
using WideTraits = boost::cpp_regex_traits<wchar_t>;
#endif

struct WideRegex::Compiled {
    boost::basic_regex<wchar_t, WideTraits> expression;
};

WideRegex::WideRegex(const std::wstring& pattern) {
    try {
        compiled_ = std::make_unique<Compiled>(Compiled{decltype(Compiled::expression)(pattern)});
    } catch (const boost::regex_error& error) {
        error_ = error.what();
    }
}

WideRegex::~WideRegex() = default;

bool WideRegex::Search(const std::wstring& text) const {
    if (!compiled_) return false;
    try {
        return boost::regex_search(text, compiled_->expression);
    } catch (const std::runtime_error&) {
        return false;  // a match too complex for the library counts as none
    }
}

struct WideRegex::Scratch::Matches {
    boost::match_results<std::wstring::const_iterator> found;
};

WideRegex::Scratch::Scratch() : matches_(std::make_unique<Matches>()) {}
WideRegex::Scratch::~Scratch() = default;
WideRegex::Scratch::Scratch(Scratch&&) noexcept = default;
WideRegex::Scratch& WideRegex::Scratch::operator=(Scratch&&) noexcept = default;

bool WideRegex::Search(const std::wstring& text, Scratch& scratch) const {
    if (!compiled_) return false;
    try {
        // Whether it matches, not where: any match will do.
        return boost::regex_search(text.begin(), text.end(), scratch.matches_->found, compiled_->expression,
                                   boost::match_any);
    } catch (const std::runtime_error&) {
        return false;  // a match too complex for the library counts as none
    }
}

bool WideRegex::Search(const std::wstring& text, std::vector<std::wstring>& groups) const {
    if (!compiled_) return false;
    try {
        boost::wsmatch match;
        if (!boost::regex_search(text, match, compiled_->expression)) return false;
        for (std::size_t i = 0; i < match.size(); ++i) groups.push_back(match[i].matched ? match[i].str() : L"");
        return true;
    } catch (const std::runtime_error&) {
        return false;
    }
}
