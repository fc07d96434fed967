// The text export's line format: its %...% placeholders, the value each
// stands for in one comment, and the line built straight from the format's
// pieces when that gives what replacing the placeholders step by step gives.
// Window-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

class ChatElement;

// The placeholders in the order of their steps; the premium block
// ("%premium=...%") is a step of its own after them.
extern const wchar_t* const kLinePlaceholders[];
extern const std::size_t kLinePlaceholderCount;

// Positions of ten hours and more start again at 0 minutes: no hours are shown.
struct VposParts {
    explicit VposParts(std::uint32_t v)
        : minutes(v % 3600000 / 6000),
          seconds(v % 3600000 % 6000 / 100),
          hundredths(v % 100),
          milliseconds(hundredths * 10) {}
    std::uint32_t minutes, seconds, hundredths, milliseconds;
};

// What the placeholders of one comment are made from.
struct LineValues {
    const ChatElement& chat;
    const std::tm& local;  // its date in local time
    VposParts vpos;
    const std::wstring* text;  // its text when the caller has it already, or null
};

// Appends decimal digits filled with "0" on the left to the width; wider
// numbers stay whole. Without the C runtime's formatting: this runs for every comment.
void AppendDecimal(std::wstring& out, unsigned long long number, std::size_t width = 0);

// Appends the value of placeholder i (an index into kLinePlaceholders).
void AppendPlaceholderValue(std::size_t i, const LineValues& values, std::wstring& out);

class LineFormat {
public:
    explicit LineFormat(const std::wstring& format);

    // Builds the line from the format's pieces. False, when the format or
    // this comment's values could make or hide a placeholder for a later
    // step (a value holding "%", placeholders with nothing between them):
    // the line must then be built step by step.
    bool Build(const LineValues& values, std::wstring& line) const;

private:
    struct Piece {
        std::size_t placeholder;  // kLinePlaceholderCount: the text
        std::wstring literal;
        bool text;  // its value is text of the comment's, which may hold "%"
    };
    std::vector<Piece> pieces_;
    bool direct_ = true;
};
