#include "export/subtitle_markup.h"

#include <algorithm>
#include <cstdio>

#include "comments/xml_chars.h"

namespace {

enum class WordKind { Position, Size, Colour, Flag };

constexpr std::uint32_t kEnder = 1, kInvisible = 2;

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
    {L"ender", WordKind::Flag, kEnder},
    {L"invisible", WordKind::Flag, kInvisible},
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

// "@N": N seconds from 1 to 60 into hundredths (further decimals dropped); 0
// for any other word.
int DurationWord(const wchar_t* begin, const wchar_t* end) {
    if (end - begin < 2 || *begin != L'@') return 0;
    long long hundredths = 0;
    int scale = 100;  // 100 before the point, then 10, 1, 0
    bool point = false, digits = false;
    for (const wchar_t* c = begin + 1; c != end; ++c) {
        if (*c == L'.' && !point) {
            point = true;
            scale = 10;
        } else if (*c >= L'0' && *c <= L'9') {
            digits = true;
            if (!point) {
                hundredths = hundredths * 10 + (*c - L'0') * 100;
                if (hundredths > 6000) return 0;
            } else {
                hundredths += (*c - L'0') * scale;
                scale /= 10;
            }
        } else {
            return 0;
        }
    }
    return digits && hundredths >= 100 && hundredths <= 6000 ? static_cast<int>(hundredths) : 0;
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
    bool seen[4] = {false, false, false, false};
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
        } else if (*at == L'@') {
            const int duration = DurationWord(at, wordEnd);
            if (duration != 0 && look.duration == 0) look.duration = duration;
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
        if (known && kind == WordKind::Flag) {
            look.ender = look.ender || value == kEnder;
            look.invisible = look.invisible || value == kInvisible;
        } else if (known && !seen[static_cast<int>(kind)]) {
            seen[static_cast<int>(kind)] = true;
            switch (kind) {
                case WordKind::Position: look.position = static_cast<CommentPosition>(value); break;
                case WordKind::Size: look.size = static_cast<CommentSize>(value); break;
                case WordKind::Colour: look.colour = value; break;
                case WordKind::Flag: break;
            }
        }
        at = wordEnd;
    }
    return look;
}

CommentPosition MailPosition(std::string_view mail, std::wstring& scratch) {
    if (mail.empty()) return CommentPosition::Scroll;
    scratch.clear();
    AppendUtf16Units(mail, scratch);
    return ReadMailCommands(scratch).position;
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

char* PutAssColour(char* at, std::uint32_t rgb) {
    at = PutHex(PutText(at, "&H"), Bgr(rgb), 6);
    *at++ = '&';
    return at;
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
    long long line = 0;    // the advances of the line so far
    const auto* kept = p;  // characters from here on go out as they are
    const auto keep = [&](const unsigned char* upTo) {
        out.append(reinterpret_cast<const char*>(kept), static_cast<std::size_t>(upTo - kept));
    };
    // Renderers drop spaces at the start and the end of a line, which art is
    // aligned with: those go out as hard spaces, the others as they are.
    std::size_t spaces = 0;  // waiting to learn whether the line ends after them
    bool lineStart = true;
    const auto putSpaces = [&](bool hard) {
        for (; spaces != 0; --spaces) out += hard ? "\\h" : " ";
    };
    while (p < end) {
        std::uint32_t code = *p;
        if (code >= 0x80) {
            const std::size_t length = code >= 0xF0 ? 4 : code >= 0xE0 ? 3 : code >= 0xC0 ? 2 : 0;
            if (spaces != 0) putSpaces(lineStart);
            if (length == 0 || static_cast<std::size_t>(end - p) < length) {  // never from the reader
                keep(p);
                out += "\xEF\xBF\xBD";
                kept = ++p;
                code = 0xFFFD;
                shape.visible = true;
            } else {
                code &= 0x7F >> length;
                for (std::size_t k = 1; k < length; ++k) code = code << 6 | (p[k] & 0x3F);
                p += length;
                if (code == 0x2060) continue;  // a word joiner takes no room, nor ends a line's start
                if (!shape.visible && !IsInvisibleCharacter(code)) shape.visible = true;
            }
            lineStart = false;
        } else if (code > 0x20 && code != '{' && code != '}' && code != '\\' && code != 0x7F) {
            if (spaces != 0) putSpaces(lineStart);
            lineStart = false;
            shape.visible = true;
            ++p;
        } else {
            keep(p);
            kept = ++p;
            switch (code) {
                case '\n':
                case '\r':
                    if (code == '\r' && p < end && *p == '\n') kept = ++p;
                    putSpaces(true);
                    out += "\\N";
                    lineStart = true;
                    shape.widest = std::max(shape.widest, line);
                    line = 0;
                    ++shape.lines;
                    continue;
                case ' ':
                case '\t':
                    ++spaces;
                    code = ' ';
                    break;
                case '{':
                case '}':
                case '\\':
                    putSpaces(lineStart);
                    lineStart = false;
                    shape.visible = true;
                    if (code == '{') {
                        out += "\xEF\xBD\x9B", code = 0xFF5B;
                    } else if (code == '}') {
                        out += "\xEF\xBD\x9D", code = 0xFF5D;
                    } else {
                        out += "\\\xE2\x81\xA0";  // the word joiner takes no room
                    }
                    break;
                default: continue;  // other control characters are dropped
            }
        }
        if (widths) line += widths->Advance(code);
    }
    keep(p);
    putSpaces(true);
    shape.widest = std::max(shape.widest, line);
    shape.last = line;
    return shape;
}

bool IsInvisibleCharacter(std::uint32_t code) {
    return code == 0x20 || code == 0xA0 || code == 0x115F || code == 0x1160 || code == 0x1680 ||
           (code >= 0x2000 && code <= 0x200F) || code == 0x2028 || code == 0x2029 ||
           (code >= 0x202A && code <= 0x202F) || (code >= 0x205F && code <= 0x206F) || code == 0x3000 ||
           code == 0x3164 || code == 0xFEFF || code == 0xFFA0;
}

int WidthAtSize(long long advances, int fontSize) {
    return static_cast<int>((advances * fontSize + kWidthReferenceSize - 1) / kWidthReferenceSize);
}

char* PutText(char* at, const char* text) {
    while (*text) *at++ = *text++;
    return at;
}

char* PutHex(char* at, std::uint32_t value, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) *at++ = "0123456789ABCDEF"[value >> shift & 0xF];
    return at;
}

char* PutDecimal(char* at, long long number) {
    char digits[20];
    char* end = digits + sizeof digits;
    char* first = end;
    unsigned long long magnitude = number < 0 ? 0ULL - static_cast<unsigned long long>(number) : number;
    // Two digits a division: the exports write a few numbers per comment.
    static const char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    while (magnitude >= 100) {
        const char* pair = kPairs + magnitude % 100 * 2;
        magnitude /= 100;
        *--first = pair[1];
        *--first = pair[0];
    }
    if (magnitude >= 10) {
        *--first = kPairs[magnitude * 2 + 1];
        *--first = kPairs[magnitude * 2];
    } else {
        *--first = static_cast<char>('0' + magnitude);
    }
    if (number < 0) *at++ = '-';
    while (first != end) *at++ = *first++;
    return at;
}

char* PutAssTime(char* at, long long hundredths) {
    if (hundredths < 0) hundredths = 0;
    at = PutDecimal(at, hundredths / 360000);
    const int parts[] = {static_cast<int>(hundredths / 6000 % 60), static_cast<int>(hundredths / 100 % 60),
                         static_cast<int>(hundredths % 100)};
    const char separators[] = {':', ':', '.'};
    for (int i = 0; i < 3; ++i) {
        *at++ = separators[i];
        *at++ = static_cast<char>('0' + parts[i] / 10);
        *at++ = static_cast<char>('0' + parts[i] % 10);
    }
    return at;
}
