// Regular expressions over narrow (code page 932) texts: Perl syntax, default
// flags, Windows locale traits. Each call compiles its pattern afresh. A bad
// pattern gives false; the first one of the process is reported in the info
// window, later ones are not (a pattern failing on every page would flood it).
#pragma once

#include <memory>
#include <string>
#include <vector>

// Finds the first match and appends the whole match, then each group, to
// groups ("" for a group that took no part; skipped when skipEmpty is set).
// False when nothing matched (groups untouched) or the pattern failed.
bool RegexSearch(const std::string& text, const std::string& pattern, std::vector<std::string>& groups, bool skipEmpty);

// True when the whole text matches.
bool RegexMatch(const std::string& text, const std::string& pattern);

// Replaces every match by the expanded format ("$1" inserts group 1). True
// also when nothing matched; false (text unchanged) when the pattern failed.
bool RegexReplace(std::string& text, const std::string& pattern, const std::string& format);

// One pattern compiled once and searched in many UTF-16 texts (the rules of
// the exports, the video names in dropped files' paths). The narrow pattern is
// text in the ANSI code page, as the INI file holds it. Errors are the
// caller's to report: Error() holds the library's message. The wide half
// (wide_regex.cpp) is window-free.
class WideRegex {
public:
    explicit WideRegex(const std::string& pattern);
    explicit WideRegex(const std::wstring& pattern);
    ~WideRegex();
    WideRegex(const WideRegex&) = delete;
    WideRegex& operator=(const WideRegex&) = delete;

    bool Valid() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    // A match's storage, kept from one search to the next when one thread
    // searches many texts (a fresh one costs an allocation each time).
    class Scratch {
    public:
        Scratch();
        ~Scratch();
        Scratch(Scratch&&) noexcept;
        Scratch& operator=(Scratch&&) noexcept;

    private:
        friend class WideRegex;
        struct Match;
        std::unique_ptr<Match> match_;
    };

    // True when the pattern matches somewhere in the text; false for a bad pattern.
    bool Search(const std::wstring& text) const;
    bool Search(const wchar_t* first, const wchar_t* last, Scratch& scratch) const;
    bool Search(const std::wstring& text, Scratch& scratch) const;
    // The same, appending the first match and then each group to groups ("" for
    // a group that took no part); groups untouched when nothing matched.
    bool Search(const std::wstring& text, std::vector<std::wstring>& groups) const;

private:
    struct Compiled;
    std::unique_ptr<Compiled> compiled_;
    std::string error_;
};
