#include "settings/subtitle_settings.h"

#include <climits>

#include "settings/ini.h"

namespace {

const char kSection[] = "subtitle";

using S = SubtitleSettings;
using O = SubtitleOption;

// Decimal text with at most two decimals into hundredths: "6.25" 625, "4" 400.
bool ParseHundredths(const std::string& text, int& value) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative || (!text.empty() && text[0] == '+')) ++i;
    long long whole = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        whole = whole * 10 + (text[i] - '0');
        if (whole > INT_MAX / 100) return false;
    }
    int fraction = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (int scale = 10; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits, scale /= 10) {
            if (scale == 0) return false;  // a third decimal
            fraction += (text[i] - '0') * scale;
        }
    }
    if (digits == 0 || i != text.size()) return false;
    value = static_cast<int>(whole * 100 + fraction) * (negative ? -1 : 1);
    return true;
}

bool ParseInteger(const std::string& text, int& value) {
    std::size_t i = text.size() > 1 && text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    long long number = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        number = number * 10 + (text[i] - '0');
        if (number > INT_MAX) return false;
    }
    value = static_cast<int>(text[0] == '-' ? -number : number);
    return true;
}

std::string HundredthsText(int value) {
    std::string text = value < 0 ? "-" : "";
    const unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    text += std::to_string(magnitude / 100);
    const unsigned fraction = magnitude % 100;
    if (fraction != 0) {
        text += '.';
        text += static_cast<char>('0' + fraction / 10);
        if (fraction % 10 != 0) text += static_cast<char>('0' + fraction % 10);
    }
    return text;
}

// "[H:]M:SS[.CC]" into hundredths.
bool ParseMoment(const std::string& text, long long& value) {
    long long total = 0;
    std::size_t start = 0;
    int fields = 0;
    while (true) {
        const std::size_t colon = text.find(':', start);
        const std::string part = text.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        int number = 0;
        const bool last = colon == std::string::npos;
        if (last ? !ParseHundredths(part, number) : !ParseInteger(part, number)) return false;
        if (number < 0 || part[0] == '-' || part[0] == '+') return false;
        if (++fields > 1 && (part.size() < 2 || number >= (last ? 6000 : 60))) return false;  // "0:05", never "0:5"
        total = last ? total * 6000 + number : total * 60 + number;
        if (last) break;
        start = colon + 1;
    }
    if (fields < 2 || fields > 3) return false;
    value = total;
    return true;
}

bool CheckOffsetMap(const std::string& text, std::string& error) {
    std::vector<OffsetPiece> pieces;
    return ParseOffsetMap(text, pieces, error);
}

std::string RangeText(const SubtitleOption& option) {
    if (option.kind == O::Hundredths) return HundredthsText(option.min) + " - " + HundredthsText(option.max);
    return std::to_string(option.min) + " - " + std::to_string(option.max);
}

}  // namespace

bool ParseOffsetMap(const std::string& text, std::vector<OffsetPiece>& pieces, std::string& error) {
    pieces.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        std::string piece = text.substr(start, comma - start);
        while (!piece.empty() && piece.front() == ' ') piece.erase(0, 1);
        while (!piece.empty() && piece.back() == ' ') piece.pop_back();
        const std::size_t equals = piece.find('=');
        OffsetPiece parsed{};
        if (equals == std::string::npos || !ParseMoment(piece.substr(0, equals), parsed.from) ||
            !ParseHundredths(piece.substr(equals + 1), parsed.offset) || parsed.offset < -8640000 ||
            parsed.offset > 8640000) {
            error = "OffsetMap: \"" + piece + "\" (M:SS=+S)";
            return false;
        }
        if (!pieces.empty() && parsed.from <= pieces.back().from) {
            error = "OffsetMap: \"" + piece + "\" (時刻は昇順に / moments in rising order)";
            return false;
        }
        pieces.push_back(parsed);
        start = comma + 1;
    }
    return true;
}

const std::vector<SubtitleOption>& SubtitleOptions() {
    static const std::vector<SubtitleOption> options = {
        {"StageWidth", "width", O::Integer, &S::StageWidth, nullptr, 64, 8192, "画面の幅 (ピクセル)"},
        {"StageHeight", "height", O::Integer, &S::StageHeight, nullptr, 64, 8192, "画面の高さ (ピクセル)"},
        {"FontName", "font", O::Text, nullptr, &S::FontName, 0, 0, "フォント名"},
        {"FontSize", "font-size", O::Hundredths, &S::FontSize, nullptr, 50, 5000,
         "medium の文字の高さ (画面の高さの %)"},
        {"BigScale", "big", O::Hundredths, &S::BigScale, nullptr, 10, 1000, "big の倍率"},
        {"SmallScale", "small", O::Hundredths, &S::SmallScale, nullptr, 10, 1000, "small の倍率"},
        {"Opacity", "opacity", O::Integer, &S::Opacity, nullptr, 0, 100, "不透明度 (%)"},
        {"ScrollTime", "scroll-time", O::Hundredths, &S::ScrollTime, nullptr, 50, 6000,
         "流れるコメントが画面を横切る秒数"},
        {"FixedTime", "fixed-time", O::Hundredths, &S::FixedTime, nullptr, 10, 6000,
         "ue・shita のコメントを表示する秒数"},
        {"ScrollArea", "scroll-area", O::Integer, &S::ScrollArea, nullptr, 1, 100,
         "流れるコメントに使う画面上部の割合 (%)"},
        {"ReservedBottom", "reserve-bottom", O::Integer, &S::ReservedBottom, nullptr, 0, 90,
         "コメントを置かない画面下部の割合 (%)"},
        {"MinGap", "gap", O::Integer, &S::MinGap, nullptr, 0, 8192, "同じ行の流れるコメントの最小間隔 (ピクセル)"},
        {"OverlayWhenFull", "overlay", O::Flag, &S::OverlayWhenFull, nullptr, 0, 1,
         "1: 空きがなければ最も早く空く行に重ねる、0: 省く"},
        {"Exclude", "exclude", O::Text, nullptr, &S::Exclude, 0, 0, "この正規表現に合うコメントを除く"},
        {"MergeRepeats", "merge-repeats", O::Hundredths, &S::MergeRepeats, nullptr, 0, 6000,
         "S 秒以内の同じコメントを1つにまとめ \"×N\" を付ける (0: しない)", true},
        {"Offset", "offset", O::Hundredths, &S::Offset, nullptr, -8640000, 8640000,
         "全コメントをずらす秒数 (+ 遅く、- 早く)", true},
        {"OffsetMap", "offset-map", O::Text, nullptr, &S::OffsetMap, 0, 0,
         "時刻ごとのずれ \"M:SS=+S,...\" (Offset に代わる)", true, CheckOffsetMap},
        {"MaxOnScreen", "max-on-screen", O::Integer, &S::MaxOnScreen, nullptr, 0, 10000,
         "同時に表示するコメントの上限 (0: なし)", true},
    };
    return options;
}

std::string SubtitleOptionValue(const SubtitleSettings& settings, const SubtitleOption& option) {
    switch (option.kind) {
        case O::Text: return settings.*option.text;
        case O::Hundredths: return HundredthsText(settings.*option.number);
        default: return std::to_string(settings.*option.number);
    }
}

bool SetSubtitleOption(SubtitleSettings& settings, const SubtitleOption& option, const std::string& value,
                       std::string& error) {
    if (option.kind == O::Text) {
        if (option.check && !option.check(value, error)) return false;
        settings.*option.text = value;
        return true;
    }
    int number = 0;
    const bool parsed = option.kind == O::Hundredths ? ParseHundredths(value, number) : ParseInteger(value, number);
    if (!parsed || number < option.min || number > option.max) {
        error = std::string(option.key) + ": \"" + value + "\" (" + RangeText(option) + ")";
        return false;
    }
    settings.*option.number = number;
    return true;
}

SubtitleSettings LoadSubtitleSettings(const std::wstring& iniPath) {
    const Ini ini(iniPath);
    SubtitleSettings settings;
    std::string ignored;
    for (const SubtitleOption& option : SubtitleOptions()) {
        if (ini.Has(kSection, option.key)) {
            SetSubtitleOption(settings, option, ini.Text(kSection, option.key, ""), ignored);
        }
    }
    return settings;
}

bool WriteMissingSubtitleKeys(const std::wstring& iniPath, const SubtitleSettings& settings) {
    const Ini ini(iniPath);
    for (const SubtitleOption& option : SubtitleOptions()) {
        if (!ini.Has(kSection, option.key)) ini.Write(kSection, option.key, SubtitleOptionValue(settings, option));
    }
    return !ini.Failed();
}
