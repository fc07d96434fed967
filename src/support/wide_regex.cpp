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

#include <utility>

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

struct WideRegex::Scratch::Match {
    boost::match_results<const wchar_t*> results;
};

WideRegex::Scratch::Scratch() : match_(std::make_unique<Match>()) {}
WideRegex::Scratch::~Scratch() = default;
WideRegex::Scratch::Scratch(Scratch&&) noexcept = default;
WideRegex::Scratch& WideRegex::Scratch::operator=(Scratch&&) noexcept = default;

namespace {
// A match too complex for the library counts as none.
template <class... Arguments>
bool SearchOrNone(Arguments&&... arguments) {
    try {
        return boost::regex_search(std::forward<Arguments>(arguments)...);
    } catch (const std::runtime_error&) {
        return false;
    }
}
}  // namespace

bool WideRegex::Search(const std::wstring& text) const {
    return compiled_ && SearchOrNone(text.data(), text.data() + text.size(), compiled_->expression);
}

bool WideRegex::Search(const wchar_t* first, const wchar_t* last, Scratch& scratch) const {
    // Whether it matches, not where: any match will do.
    return compiled_ && SearchOrNone(first, last, scratch.match_->results, compiled_->expression, boost::match_any);
}

bool WideRegex::Search(const std::wstring& text, Scratch& scratch) const {
    return Search(text.data(), text.data() + text.size(), scratch);
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
