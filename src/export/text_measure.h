// The width of comment lines in a font, measured through GDI the way the
// subtitle renderers lay the text out (advance widths, font height as the
// cell height). Each character is measured once, at a large size, and scaled:
// a file of many comments asks the system for each distinct character only.
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "support/handles.h"

class TextMeasure {
public:
    // fontName in the ANSI code page. Without a font of that name the widths
    // are estimated from the characters (full-width ones as wide as high).
    explicit TextMeasure(const std::string& fontName);
    ~TextMeasure();
    TextMeasure(const TextMeasure&) = delete;
    TextMeasure& operator=(const TextMeasure&) = delete;

    bool FontFound() const { return static_cast<bool>(font_); }
    // Pixels of one line at the font size (the line height in pixels).
    // U+2060 (word joiner) takes no room.
    int Width(const std::wstring& line, int fontSize);

private:
    int Advance(const wchar_t* character, int units);

    HDC dc_ = nullptr;
    FontHandle font_;
    HGDIOBJ previous_ = nullptr;
    std::vector<int> basic_;                      // by UTF-16 unit; -1 not measured yet
    std::unordered_map<unsigned, int> supplementary_;  // by code point
};
