#include "export/line_format.h"

#include <string_view>

#include "comments/comment_reader.h"
#include "comments/xml_chars.h"

const wchar_t* const kLinePlaceholders[] = {L"%\\n%",
                                            L"%comment%",
                                            L"%date%",
                                            L"%date.year%",
                                            L"%date.month%",
                                            L"%date.day%",
                                            L"%date.hour%",
                                            L"%date.minute%",
                                            L"%date.second%",
                                            L"%date.year2%",
                                            L"%date.month2%",
                                            L"%date.day2%",
                                            L"%date.hour2%",
                                            L"%date.minute2%",
                                            L"%date.second2%",
                                            L"%mail%",
                                            L"%command%",
                                            L"%name%",
                                            L"%no%",
                                            L"%thread%",
                                            L"%user_id%",
                                            L"%vpos%",
                                            L"%vpos.minute%",
                                            L"%vpos.minute2%",
                                            L"%vpos.second%",
                                            L"%vpos.second2%",
                                            L"%vpos.1/100second%",
                                            L"%vpos.1/100second2%",
                                            L"%vpos.millisecond%",
                                            L"%vpos.millisecond3%"};
const std::size_t kLinePlaceholderCount = sizeof kLinePlaceholders / sizeof kLinePlaceholders[0];

void AppendDecimal(std::wstring& out, unsigned long long number, std::size_t width) {
    wchar_t digits[24];
    wchar_t* const end = digits + 24;
    wchar_t* at = end;
    do {
        *--at = static_cast<wchar_t>(L'0' + number % 10);
        number /= 10;
    } while (number != 0);
    const std::size_t size = static_cast<std::size_t>(end - at);
    if (size < width) out.append(width - size, L'0');
    out.append(at, size);
}

namespace {

void AppendAttribute(const ChatElement& chat, const char* name, std::wstring& out) {
    std::string_view value;
    if (chat.FindAttribute(name, value)) AppendUtf16Units(value, out);
}

// The characters of the placeholders' names: a text between two placeholders
// that holds any other can never become part of one.
struct NameCharacters {
    bool ascii[128] = {};
    NameCharacters() {
        for (std::size_t i = 0; i < kLinePlaceholderCount; ++i) {
            for (const wchar_t* c = kLinePlaceholders[i]; *c; ++c) {
                if (*c != L'%') ascii[*c] = true;
            }
        }
    }
    bool Breaks(const std::wstring& text) const {
        for (wchar_t c : text) {
            if (static_cast<std::uint32_t>(c) >= 128 || !ascii[c]) return true;
        }
        return false;
    }
};

}  // namespace

void AppendPlaceholderValue(std::size_t i, const LineValues& v, std::wstring& out) {
    const std::tm& local = v.local;
    switch (i) {
        case 0: out += L'\n'; break;
        case 1:
            if (v.text) {
                out += *v.text;
            } else {
                AppendUtf16Units(v.chat.TextUtf8(), out);
            }
            break;
        case 2:
            AppendDecimal(out, local.tm_mon + 1, 2);
            out += L'\x6708';  // 月
            AppendDecimal(out, local.tm_mday, 2);
            out += L"\x65E5 ";  // 日
            AppendDecimal(out, local.tm_hour, 2);
            out += L'\x6642';  // 時
            AppendDecimal(out, local.tm_min, 2);
            out += L'\x5206';  // 分
            break;
        case 3: AppendDecimal(out, local.tm_year + 1900); break;
        case 4: AppendDecimal(out, local.tm_mon + 1); break;
        case 5: AppendDecimal(out, local.tm_mday); break;
        case 6: AppendDecimal(out, local.tm_hour); break;
        case 7: AppendDecimal(out, local.tm_min); break;
        case 8: AppendDecimal(out, local.tm_sec); break;
        case 9: {  // the year without its first two digits
            std::wstring year;
            AppendDecimal(year, local.tm_year + 1900);
            if (year.size() > 2) out.append(year, 2, std::wstring::npos);
            break;
        }
        case 10: AppendDecimal(out, local.tm_mon + 1, 2); break;
        case 11: AppendDecimal(out, local.tm_mday, 2); break;
        case 12: AppendDecimal(out, local.tm_hour, 2); break;
        case 13: AppendDecimal(out, local.tm_min, 2); break;
        case 14: AppendDecimal(out, local.tm_sec, 2); break;
        case 15:
        case 16: AppendAttribute(v.chat, "mail", out); break;
        case 17: AppendAttribute(v.chat, "name", out); break;
        case 18: AppendAttribute(v.chat, "no", out); break;
        case 19: AppendAttribute(v.chat, "thread", out); break;
        case 20: AppendAttribute(v.chat, "user_id", out); break;
        case 21:
            // Rounds up from 50 milliseconds, i.e. 5 hundredths, and never
            // carries into the minutes: 59.99 s reads 0:60. Kept as users'
            // files have it.
            AppendDecimal(out, v.vpos.minutes);
            out += L':';
            AppendDecimal(out, v.vpos.milliseconds >= 50 ? v.vpos.seconds + 1 : v.vpos.seconds, 2);
            break;
        case 22: AppendDecimal(out, v.vpos.minutes); break;
        case 23: AppendDecimal(out, v.vpos.minutes, 2); break;
        case 24: AppendDecimal(out, v.vpos.seconds); break;
        case 25: AppendDecimal(out, v.vpos.seconds, 2); break;
        case 26: AppendDecimal(out, v.vpos.hundredths); break;
        case 27: AppendDecimal(out, v.vpos.hundredths, 2); break;
        case 28: AppendDecimal(out, v.vpos.milliseconds); break;
        default: AppendDecimal(out, v.vpos.milliseconds, 3); break;
    }
}

// Replaced step by step, a placeholder can only match where two "%" stand
// next to each other with a name between. When every "%" of the format pairs
// off into a placeholder, the texts between placeholders each hold a
// character no name has, and no value holds a "%", the only such places are
// the format's own placeholders: each step then replaces exactly those, and
// the line is the pieces and values one after another.
LineFormat::LineFormat(const std::wstring& format) {
    static const NameCharacters names;
    std::size_t at = 0;
    bool first = true;
    while (direct_) {
        const std::size_t open = format.find(L'%', at);
        const std::wstring text = format.substr(at, open == std::wstring::npos ? std::wstring::npos : open - at);
        if (!first && open != std::wstring::npos && !names.Breaks(text)) direct_ = false;
        if (!text.empty()) pieces_.push_back(Piece{kLinePlaceholderCount, text, false});
        if (open == std::wstring::npos) break;
        const std::size_t close = format.find(L'%', open + 1);
        if (close == std::wstring::npos) {
            direct_ = false;
            break;
        }
        const std::wstring name = format.substr(open, close + 1 - open);
        std::size_t i = 0;
        while (i < kLinePlaceholderCount && name != kLinePlaceholders[i]) ++i;
        if (i == kLinePlaceholderCount) direct_ = false;
        // Only the comment and its attributes may hold a "%"; the rest are numbers.
        pieces_.push_back(Piece{i, std::wstring(), i == 1 || (i >= 15 && i <= 20)});
        at = close + 1;
        first = false;
    }
}

bool LineFormat::Build(const LineValues& values, std::wstring& line) const {
    if (!direct_) return false;
    line.clear();
    for (const Piece& piece : pieces_) {
        if (piece.placeholder == kLinePlaceholderCount) {
            line += piece.literal;
            continue;
        }
        const std::size_t from = line.size();
        AppendPlaceholderValue(piece.placeholder, values, line);
        if (!piece.text) continue;  // a number: no "%" in it
        for (std::size_t k = from; k < line.size(); ++k) {
            if (line[k] == L'%') return false;
        }
    }
    return true;
}
