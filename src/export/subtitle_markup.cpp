#include "export/subtitle_markup.h"

#include <algorithm>

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

// Upper-case hex digits, filled with "0" on the left to the count.
std::string Hex(std::uint32_t value, int digits) {
    std::string text;
    do {
        text.insert(text.begin(), "0123456789ABCDEF"[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    if (text.size() < static_cast<std::size_t>(digits)) text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
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

void AppendAssColour(std::uint32_t rgb, std::string& out) {
    out += "&H";
    out += Hex(Bgr(rgb), 6);
    out += '&';
}

std::string AssStyleColour(std::uint32_t rgb, int alpha) {
    return "&H" + Hex(static_cast<std::uint32_t>(alpha), 2) + Hex(Bgr(rgb), 6);
}

std::uint32_t OutlineColourFor(std::uint32_t rgb) {
    const std::uint32_t r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
    // Perceived brightness, 0 to 255000; below a quarter a black edge would vanish.
    return 299 * r + 587 * g + 114 * b < 64000 ? 0xFFFFFF : 0x000000;
}

AssTextShape AppendAssText(std::string_view utf8, std::string& out, CharacterWidths* widths) {
    const auto lineEnd = [](unsigned char c) { return c == '\n' || c == '\r'; };
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end && lineEnd(*p)) ++p;
    while (end > p && lineEnd(end[-1])) --end;
    AssTextShape shape;
    long long line = 0;  // the advances of the line so far
    while (p < end) {
        std::uint32_t code = *p;
        if (code < 0x80) {
            ++p;
            switch (code) {
                case '\n':
                case '\r':
                    if (code == '\r' && p < end && *p == '\n') ++p;
                    out += "\\N";
                    shape.widest = std::max(shape.widest, line);
                    line = 0;
                    ++shape.lines;
                    continue;
                case '{': out += "\xEF\xBD\x9B", code = 0xFF5B; break;
                case '}': out += "\xEF\xBD\x9D", code = 0xFF5D; break;
                case '\\': out += "\\\xE2\x81\xA0"; break;  // the word joiner takes no room
                case '\t': out += ' ', code = ' '; break;
                default:
                    if (code < 0x20 || code == 0x7F) continue;
                    out += static_cast<char>(code);
            }
        } else {
            const std::size_t length = code >= 0xF0 ? 4 : code >= 0xE0 ? 3 : code >= 0xC0 ? 2 : 0;
            if (length == 0 || static_cast<std::size_t>(end - p) < length) {  // never from the reader
                out += "\xEF\xBF\xBD";
                code = 0xFFFD;
                ++p;
            } else {
                out.append(reinterpret_cast<const char*>(p), length);
                code &= 0x7F >> length;
                for (std::size_t k = 1; k < length; ++k) code = code << 6 | (p[k] & 0x3F);
                p += length;
                if (code == 0x2060) continue;  // a word joiner takes no room
            }
        }
        if (widths) line += widths->Advance(code);
    }
    shape.widest = std::max(shape.widest, line);
    return shape;
}

int WidthAtSize(long long advances, int fontSize) {
    return static_cast<int>((advances * fontSize + kWidthReferenceSize - 1) / kWidthReferenceSize);
}

void AppendDecimal(long long number, std::string& out) {
    char digits[24];
    char* const end = digits + sizeof digits;
    char* at = end;
    unsigned long long magnitude = number < 0 ? 0ULL - static_cast<unsigned long long>(number) : number;
    do {
        *--at = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (number < 0) *--at = '-';
    out.append(at, static_cast<std::size_t>(end - at));
}

void AppendAssTime(long long hundredths, std::string& out) {
    if (hundredths < 0) hundredths = 0;
    AppendDecimal(hundredths / 360000, out);
    const int parts[] = {static_cast<int>(hundredths / 6000 % 60), static_cast<int>(hundredths / 100 % 60),
                         static_cast<int>(hundredths % 100)};
    const char separators[] = {':', ':', '.'};
    for (int i = 0; i < 3; ++i) {
        out += separators[i];
        out += static_cast<char>('0' + parts[i] / 10);
        out += static_cast<char>('0' + parts[i] % 10);
    }
}
