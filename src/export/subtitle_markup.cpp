#include "export/subtitle_markup.h"

#include <cstdio>

namespace {

enum class WordKind { Position, Size, Colour };

// Every command word we know; a new one is one line.
const struct MailWord {
    const wchar_t* word;
    WordKind kind;
    std::uint32_t value;  // a CommentPosition, a CommentSize or 0xRRGGBB
} kMailWords[] = {
    {L"ue", WordKind::Position, static_cast<std::uint32_t>(CommentPosition::Top)},
    {L"shita", WordKind::Position, static_cast<std::uint32_t>(CommentPosition::Bottom)},
    {L"naka", WordKind::Position, static_cast<std::uint32_t>(CommentPosition::Scroll)},
    {L"big", WordKind::Size, static_cast<std::uint32_t>(CommentSize::Big)},
    {L"medium", WordKind::Size, static_cast<std::uint32_t>(CommentSize::Medium)},
    {L"small", WordKind::Size, static_cast<std::uint32_t>(CommentSize::Small)},
    {L"white", WordKind::Colour, 0xFFFFFF},
    {L"red", WordKind::Colour, 0xFF0000},
    {L"pink", WordKind::Colour, 0xFF8080},
    {L"orange", WordKind::Colour, 0xFFC000},
    {L"yellow", WordKind::Colour, 0xFFFF00},
    {L"green", WordKind::Colour, 0x00FF00},
    {L"cyan", WordKind::Colour, 0x00FFFF},
    {L"blue", WordKind::Colour, 0x0000FF},
    {L"purple", WordKind::Colour, 0xC000FF},
    {L"black", WordKind::Colour, 0x000000},
};

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\x3000'; }

wchar_t LowerAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool SameWord(const wchar_t* word, const wchar_t* begin, const wchar_t* end) {
    for (; begin != end; ++begin, ++word) {
        if (*word == L'\0' || LowerAscii(*begin) != *word) return false;
    }
    return *word == L'\0';
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    c = LowerAscii(c);
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

// "#RRGGBB".
bool HexColour(const wchar_t* begin, const wchar_t* end, std::uint32_t& rgb) {
    if (end - begin != 7 || *begin != L'#') return false;
    rgb = 0;
    for (const wchar_t* c = begin + 1; c != end; ++c) {
        const int digit = HexDigit(*c);
        if (digit < 0) return false;
        rgb = rgb << 4 | static_cast<std::uint32_t>(digit);
    }
    return true;
}

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

std::uint32_t Bgr(std::uint32_t rgb) { return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF); }

}  // namespace

CommentLook ReadMailCommands(const std::wstring& mail) {
    CommentLook look;
    bool seen[3] = {false, false, false};
    const wchar_t* at = mail.c_str();
    const wchar_t* const end = at + mail.size();
    while (at != end) {
        while (at != end && IsBlank(*at)) ++at;
        const wchar_t* wordEnd = at;
        while (wordEnd != end && !IsBlank(*wordEnd)) ++wordEnd;
        if (at == wordEnd) break;
        WordKind kind{};
        std::uint32_t value = 0;
        bool known = false;
        if (HexColour(at, wordEnd, value)) {
            kind = WordKind::Colour;
            known = true;
        } else {
            for (const MailWord& word : kMailWords) {
                if (SameWord(word.word, at, wordEnd)) {
                    kind = word.kind;
                    value = word.value;
                    known = true;
                    break;
                }
            }
        }
        if (known && !seen[static_cast<int>(kind)]) {
            seen[static_cast<int>(kind)] = true;
            switch (kind) {
                case WordKind::Position: look.position = static_cast<CommentPosition>(value); break;
                case WordKind::Size: look.size = static_cast<CommentSize>(value); break;
                case WordKind::Colour: look.colour = value; break;
            }
        }
        at = wordEnd;
    }
    return look;
}

namespace {

const wchar_t* WordOf(WordKind kind, std::uint32_t value) {
    for (const MailWord& word : kMailWords) {
        if (word.kind == kind && word.value == value) return word.word;
    }
    return L"";
}

}  // namespace

const wchar_t* MailWordFor(CommentPosition position) {
    return WordOf(WordKind::Position, static_cast<std::uint32_t>(position));
}

const wchar_t* MailWordFor(CommentSize size) { return WordOf(WordKind::Size, static_cast<std::uint32_t>(size)); }

std::string AssColour(std::uint32_t rgb) { return "&H" + Hex(Bgr(rgb), 6) + "&"; }

std::string AssStyleColour(std::uint32_t rgb, int alpha) {
    return "&H" + Hex(static_cast<std::uint32_t>(alpha), 2) + Hex(Bgr(rgb), 6);
}

std::uint32_t OutlineColourFor(std::uint32_t rgb) {
    const std::uint32_t r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
    // Perceived brightness, 0 to 255000; below a quarter a black edge would vanish.
    return 299 * r + 587 * g + 114 * b < 64000 ? 0xFFFFFF : 0x000000;
}

std::vector<std::wstring> CommentLines(const std::wstring& text) {
    std::size_t first = 0, last = text.size();
    auto lineEnd = [](wchar_t c) { return c == L'\n' || c == L'\r'; };
    while (first < last && lineEnd(text[first])) ++first;
    while (last > first && lineEnd(text[last - 1])) --last;
    std::vector<std::wstring> lines(1);
    for (std::size_t i = first; i < last; ++i) {
        if (lineEnd(text[i])) {
            if (text[i] == L'\r' && i + 1 < last && text[i + 1] == L'\n') ++i;
            lines.emplace_back();
        } else {
            lines.back() += text[i];
        }
    }
    return lines;
}

std::wstring AssLineText(const std::wstring& line) {
    std::wstring out;
    out.reserve(line.size() + 4);
    for (wchar_t c : line) {
        switch (c) {
            case L'{': out += L'\xFF5B'; break;
            case L'}': out += L'\xFF5D'; break;
            case L'\\': out += L"\\\x2060"; break;
            case L'\t': out += L' '; break;
            default:
                if (c >= 0x20 && c != 0x7F) out += c;
        }
    }
    return out;
}

std::wstring AssText(const std::vector<std::wstring>& lines) {
    std::wstring out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i != 0) out += L"\\N";
        out += AssLineText(lines[i]);
    }
    return out;
}

std::string AssTime(long long hundredths) {
    if (hundredths < 0) hundredths = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02d:%02d.%02d", hundredths / 360000,
                  static_cast<int>(hundredths / 6000 % 60), static_cast<int>(hundredths / 100 % 60),
                  static_cast<int>(hundredths % 100));
    return text;
}
