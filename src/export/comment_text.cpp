#include "export/comment_text.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <exception>
#include <string_view>

#include "support/codepage.h"
#include "export/comment_reader.h"
#include "export/ng_rule_file.h"
#include "export/text_writer.h"
#include "infolog/info_log.h"
#include "support/files.h"
#include "support/text.h"

namespace {

std::tm LocalDate(const ChatElement& chat) {
    std::time_t t = static_cast<std::time_t>(chat.Integer("date"));
    const std::tm* local = std::localtime(&t);
    if (!local) throw LocalTimeRefused{};
    return *local;
}

std::uint32_t Vpos(const ChatElement& chat) {
    return static_cast<std::uint32_t>(chat.Integer("vpos"));
}

// Decimal digits without the C runtime's formatting: this runs for several
// fields of every comment.
std::wstring Number(long long number) {
    wchar_t digits[24];
    wchar_t* end = digits + 24;
    wchar_t* at = end;
    unsigned long long magnitude = number < 0 ? 0ULL - static_cast<unsigned long long>(number) : number;
    do {
        *--at = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (number < 0) *--at = L'-';
    return std::wstring(at, end);
}

// The number filled with "0" on the left to the width; wider numbers stay whole.
std::wstring Pad(long long number, std::size_t width) {
    std::wstring text = Number(number);
    if (text.size() < width) text.insert(0, width - text.size(), L'0');
    return text;
}

std::wstring Pad2(long long number) { return Pad(number, 2); }

std::wstring DateText(const std::tm& local) {
    std::wstring text;
    text.reserve(16);
    text.append(Pad2(local.tm_mon + 1)).append(L"月").append(Pad2(local.tm_mday)).append(L"日 ");
    text.append(Pad2(local.tm_hour)).append(L"時").append(Pad2(local.tm_min)).append(L"分");
    return text;
}

std::wstring DateField(const std::string& key, const std::tm& local) {
    if (key == "date") return DateText(local);
    if (key == "date.year") return Number(local.tm_year + 1900);
    if (key == "date.month") return Number(local.tm_mon + 1);
    if (key == "date.day") return Number(local.tm_mday);
    if (key == "date.hour") return Number(local.tm_hour);
    if (key == "date.minute") return Number(local.tm_min);
    if (key == "date.second") return Number(local.tm_sec);
    return std::wstring();
}

// Positions of ten hours and more start again at 0 minutes: no hours are shown.
struct VposParts {
    explicit VposParts(std::uint32_t v)
        : minutes(v % 3600000 / 6000), seconds(v % 3600000 % 6000 / 100), hundredths(v % 100),
          milliseconds(hundredths * 10) {}
    std::uint32_t minutes, seconds, hundredths, milliseconds;

    // Rounds up from 50 milliseconds, i.e. 5 hundredths, and never carries
    // into the minutes: 59.99 s reads 0:60. Kept as users' files have it.
    std::wstring Text() const {
        return Number(minutes) + L":" + Pad2(static_cast<int>(milliseconds >= 50 ? seconds + 1 : seconds));
    }
};

std::wstring VposField(const std::string& key, std::uint32_t v) {
    const VposParts parts(v);
    if (key == "vpos") return parts.Text();
    if (key == "vpos.minute") return Number(parts.minutes);
    if (key == "vpos.second") return Number(parts.seconds);
    if (key == "vpos.1/100second") return Number(parts.hundredths);
    if (key == "vpos.millisecond") return Number(parts.milliseconds);
    return std::wstring();
}

// Most steps find nothing in a line. A plain scan answers that faster than the
// library's search, which calls into the C runtime for every candidate.
bool Contains(const std::wstring& line, std::wstring_view what) {
    const std::size_t n = line.size(), m = what.size();
    if (m == 0 || m > n) return m == 0;
    const wchar_t* text = line.data();
    for (std::size_t i = 0; i + m <= n; ++i) {
        if (text[i] != what[0]) continue;
        std::size_t k = 1;
        while (k < m && text[i + k] == what[k]) ++k;
        if (k == m) return true;
    }
    return false;
}

// "%premium=T%" shows T for a premium member's comment and nothing otherwise.
// Only the first block's T is recognised in a line.
void ApplyPremiumBlock(std::wstring& line, const ChatElement& chat) {
    static const std::wstring open = L"%premium=";
    if (!Contains(line, open)) return;  // no block: nothing to replace
    const std::wstring block = BetweenWide(line, open, L"%");
    const bool premium = chat.Attribute("premium") == L"1";
    ReplaceAllWide(line, open + block + L"%", premium ? block : std::wstring());
}

}  // namespace

std::wstring ChatFieldValue(const std::string& key, const ChatElement& chat) {
    if (key.find("date") != std::string::npos) return DateField(key, LocalDate(chat));
    if (key.find("vpos") != std::string::npos) return VposField(key, Vpos(chat));
    return chat.Attribute(key.c_str());
}

namespace {

// Builds into the caller's text, so that a long export reuses one buffer.
// text: the element's text when the caller has it already.
void BuildLine(const std::wstring& format, const ChatElement& chat, std::wstring& line,
               const std::wstring* text = nullptr) {
    static const std::wstring placeholders[] = {
        L"%\\n%",           L"%comment%",          L"%date%",              L"%date.year%",
        L"%date.month%",    L"%date.day%",         L"%date.hour%",         L"%date.minute%",
        L"%date.second%",   L"%date.year2%",       L"%date.month2%",       L"%date.day2%",
        L"%date.hour2%",    L"%date.minute2%",     L"%date.second2%",      L"%mail%",
        L"%command%",       L"%name%",             L"%no%",                L"%thread%",
        L"%user_id%",       L"%vpos%",             L"%vpos.minute%",       L"%vpos.minute2%",
        L"%vpos.second%",   L"%vpos.second2%",     L"%vpos.1/100second%",  L"%vpos.1/100second2%",
        L"%vpos.millisecond%", L"%vpos.millisecond3%"};

    // The date is converted for every comment, used or not: a date the
    // local-time conversion refuses fails the export whatever the format. The
    // texts are made only for the placeholders the line holds.
    const std::tm local = LocalDate(chat);
    const VposParts vpos(Vpos(chat));
    auto value = [&](std::size_t i) -> std::wstring {
        switch (i) {
            case 0: return L"\n";
            case 1: return text ? *text : chat.Text();
            case 2: return DateText(local);
            case 3: return Number(local.tm_year + 1900);
            case 4: return Number(local.tm_mon + 1);
            case 5: return Number(local.tm_mday);
            case 6: return Number(local.tm_hour);
            case 7: return Number(local.tm_min);
            case 8: return Number(local.tm_sec);
            case 9: {
                const std::wstring year = Number(local.tm_year + 1900);
                return year.size() > 2 ? year.substr(2) : std::wstring();
            }
            case 10: return Pad(local.tm_mon + 1, 2);
            case 11: return Pad(local.tm_mday, 2);
            case 12: return Pad(local.tm_hour, 2);
            case 13: return Pad(local.tm_min, 2);
            case 14: return Pad(local.tm_sec, 2);
            case 15:
            case 16: return chat.Attribute("mail");
            case 17: return chat.Attribute("name");
            case 18: return chat.Attribute("no");
            case 19: return chat.Attribute("thread");
            case 20: return chat.Attribute("user_id");
            case 21: return vpos.Text();
            case 22: return Number(vpos.minutes);
            case 23: return Pad(vpos.minutes, 2);
            case 24: return Number(vpos.seconds);
            case 25: return Pad(vpos.seconds, 2);
            case 26: return Number(vpos.hundredths);
            case 27: return Pad(vpos.hundredths, 2);
            case 28: return Number(vpos.milliseconds);
            default: return Pad(vpos.milliseconds, 3);
        }
    };

    // In table order; each step resumes after its own insertions, later steps
    // see what earlier ones inserted. A run of steps whose placeholders share
    // a prefix is skipped when the line lacks the prefix: none of them could
    // match, so the line would stay as it is.
    line.assign(format);
    auto steps = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            if (Contains(line, placeholders[i])) ReplaceAllWide(line, placeholders[i], value(i));
        }
    };
    auto has = [&](const wchar_t* prefix) { return Contains(line, prefix); };
    steps(0, 2);
    if (has(L"%date")) {
        steps(2, 3);
        if (has(L"%date.")) steps(3, 15);
    }
    steps(15, 21);
    if (has(L"%vpos")) {
        steps(21, 22);
        if (has(L"%vpos.")) steps(22, 30);
    }
    ApplyPremiumBlock(line, chat);
}

}  // namespace

std::wstring BuildCommentLine(const std::wstring& format, const ChatElement& chat) {
    std::wstring line;
    BuildLine(format, chat, line);
    return line;
}

bool ExportCommentText(const std::string& format, const std::wstring& commentPath, const std::wstring& textPath,
                       ExportProgress* progress, NgFilter* filter) {
    // Emptying the text file would destroy the comment file it is made from.
    if (SameFile(commentPath, textPath)) {
        InfoLog << "Error : the text file is the comment file " << ShownPath(textPath) << EndLine;
        return false;
    }
    TextLineWriter writer;
    if (!writer.Open(textPath, true)) {
        InfoLog << "Error : CreateFile " << ShownPath(textPath) << " (" << static_cast<unsigned long>(writer.LastError())
                << ")" << EndLine;
        return false;
    }
    auto writeFailed = [&] {
        InfoLog << "Error : WriteFile " << ShownPath(textPath) << " (" << static_cast<unsigned long>(writer.LastError()) << ")"
                << EndLine;
        return false;
    };
    try {
        // A first pass checks the whole file, so a malformed one is refused
        // before any line is written, and counts the comments for the progress.
        std::size_t count = 0;
        std::string error;
        CommentReader reader;
        if (!CommentReader::CheckFile(commentPath, count, error) || !reader.Open(commentPath)) {
            if (error.empty()) error = reader.Error();
            InfoLog << UnreadableCommentFileLine(ShownPath(commentPath), error) << EndLine;
            InfoLog << "Error : pDoc->documentElement" << EndLine;
            return false;
        }
        if (count == 0) {
            InfoLog << "コメントデータが存在しません" << EndLine;
            return false;
        }
        // The same text for every comment: converted once.
        const std::wstring wideFormat = AnsiToWide(format);
        int shown = -1;  // per export, so two exports at once do not mix their counts
        std::wstring line, text;
        for (std::size_t i = 0; reader.Next(); ++i) {
            const ChatElement& chat = reader.Chat();
            if (filter) text = chat.Text();
            if (!filter || !filter->Hides(NgCommentOf(chat, &text))) {
                BuildLine(wideFormat, chat, line, filter ? &text : nullptr);
                if (!writer.WriteLine(line)) return writeFailed();
            }
            const int percent = static_cast<int>(std::min<std::size_t>(i, count - 1) * 100 / count);
            if (percent != shown) {
                shown = percent;
                if (progress) progress->ShowPercent(percent);
            }
        }
        if (reader.Failed()) {  // the file changed after the first pass
            InfoLog << UnreadableCommentFileLine(ShownPath(commentPath), reader.Error()) << EndLine;
            InfoLog << "Error : pDoc->documentElement" << EndLine;
            return false;
        }
        if (!writer.Close()) return writeFailed();
        if (progress) progress->ShowDone();
        InfoLog << "Save Text" << EndLine;
        return true;
    } catch (const std::exception& e) {
        InfoLog << e.what() << EndLine;
    } catch (...) {
        InfoLog << "テキスト変換処理中に例外が発生しました" << EndLine;
    }
    return false;
}
