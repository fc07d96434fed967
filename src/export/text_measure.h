// The width of comment lines in a font, measured through GDI the way the
// subtitle renderers lay the text out (advance widths, font height as the
// cell height). Each character is measured once, at the reference size, and
// scaled: a file of many comments asks the system for each distinct
// character only.
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "export/subtitle_markup.h"
#include "support/gdi_handles.h"
#include "support/handles.h"

class TextMeasure : public CharacterWidths {
public:
    // fontName in the ANSI code page. Without a font of that name the widths
    // are estimated from the characters (full-width ones and those of
    // ambiguous width that Japanese fonts draw full width, as wide as high).
    explicit TextMeasure(const std::string& fontName);
    ~TextMeasure() override;
    TextMeasure(const TextMeasure&) = delete;
    TextMeasure& operator=(const TextMeasure&) = delete;

    bool FontFound() const { return static_cast<bool>(font_); }
    // The advance of one character at kWidthReferenceSize.
    int Advance(std::uint32_t code) override;

private:
    MemoryDc dc_;
    FontHandle font_;
    HGDIOBJ previous_ = nullptr;
    std::vector<int> basic_;                                // by UTF-16 unit; -1 not measured yet
    std::unordered_map<std::uint32_t, int> supplementary_;  // by code point
};
