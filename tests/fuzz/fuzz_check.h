// Shared by the fuzz targets: a broken property ends the run like a crash,
// so that libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "comments/comment_reader.h"
#include "comments/xml_chars.h"

#define FUZZ_CHECK(condition, what)                                                          \
    do {                                                                                     \
        if (!(condition)) {                                                                  \
            std::fprintf(stderr, "broken property: %s (%s:%d)\n", what, __FILE__, __LINE__); \
            std::abort();                                                                    \
        }                                                                                    \
    } while (0)

// Well-formed UTF-8; the control characters XML forbids (NUL too) are
// characters like any other.
inline bool CleanText(const std::string& text, std::size_t* controls = nullptr) {
    std::size_t i = 0;
    while (i < text.size()) {
        TextFault fault;
        i += CheckUtf8(text.data() + i, text.size() - i, fault);
        if (i == text.size()) return true;
        if (fault != TextFault::Control) return false;
        if (controls) ++*controls;
        ++i;
    }
    return true;
}

// The same attributes in the same order, and the same text.
inline bool SameElement(const ChatElement& a, const ChatElement& b) {
    if (a.AttributeCount() != b.AttributeCount() || a.TextUtf8() != b.TextUtf8()) return false;
    for (std::size_t i = 0; i < a.AttributeCount(); ++i) {
        if (a.AttributeName(i) != b.AttributeName(i) || a.AttributeValue(i) != b.AttributeValue(i)) return false;
    }
    return true;
}

// The next NUL-separated part of a fuzz input, up to its first byte that is
// not UTF-8 (control characters are data, as the reader hands them out).
inline std::string_view NextTextPart(std::string_view& input) {
    const std::size_t zero = input.find('\0');
    const std::string_view part = input.substr(0, zero);
    input.remove_prefix(zero == std::string_view::npos ? input.size() : zero + 1);
    std::size_t whole = 0;
    for (TextFault fault = TextFault::Control; fault == TextFault::Control && whole < part.size();) {
        whole += CheckUtf8(part.data() + whole, part.size() - whole, fault);
        if (fault == TextFault::Control) ++whole;
    }
    return part.substr(0, whole);
}
