#include "export/comment_text.h"

#include <cstdint>
#include <ctime>
#include <exception>
#include <iterator>
#include <string_view>

#include "support/codepage.h"
#include "export/comment_reader.h"
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

std::wstring Pad2(int number) {
    std::wstring text = Number(number);
    if (text.size() < 2) text.insert(0, 2 - text.size(), L'0');
    return text;
}

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
void ApplyPremiumBlock(std::wstring& line, bool premium) {
    static const std::wstring open = L"%premium=";
    if (!Contains(line, open)) return;  // no block: nothing to replace
    const std::wstring block = BetweenWide(line, open, L"%");
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
void BuildLine(const std::wstring& format, const ChatElement& chat, std::wstring& line) {
    static const std::wstring placeholders[] = {
        L"%\\n%",           L"%comment%",          L"%date%",              L"%date.year%",
        L"%date.month%",    L"%date.day%",         L"%date.hour%",         L"%date.minute%",
        L"%date.second%",   L"%date.year2%",       L"%date.month2%",       L"%date.day2%",
        L"%date.hour2%",    L"%date.minute2%",     L"%date.second2%",      L"%mail%",
        L"%command%",       L"%name%",             L"%no%",                L"%thread%",
        L"%user_id%",       L"%vpos%",             L"%vpos.minute%",       L"%vpos.minute2%",
        L"%vpos.second%",   L"%vpos.second2%",     L"%vpos.1/100second%",  L"%vpos.1/100second2%",
        L"%vpos.millisecond%", L"%vpos.millisecond3%"};

    // Every field is worked out for every comment, used or not: a date the
    // local-time conversion refuses fails the export whatever the format.
    const std::tm local = LocalDate(chat);
    const VposParts vpos(Vpos(chat));
    const std::wstring year = Number(local.tm_year + 1900);
    const std::wstring month = Number(local.tm_mon + 1);
    const std::wstring day = Number(local.tm_mday);
    const std::wstring hour = Number(local.tm_hour);
    const std::wstring minute = Number(local.tm_min);
    const std::wstring second = Number(local.tm_sec);
    const std::wstring text = chat.Text();
    const std::wstring date = DateText(local);
    const std::wstring year2 = year.size() > 2 ? year.substr(2) : std::wstring();
    const std::wstring month2 = PadNumberText(month, 2, L'0');
    const std::wstring day2 = PadNumberText(day, 2, L'0');
    const std::wstring hour2 = PadNumberText(hour, 2, L'0');
    const std::wstring minute2 = PadNumberText(minute, 2, L'0');
    const std::wstring second2 = PadNumberText(second, 2, L'0');
    const std::wstring mail = chat.Attribute("mail");
    const std::wstring name = chat.Attribute("name");
    const std::wstring no = chat.Attribute("no");
    const std::wstring thread = chat.Attribute("thread");
    const std::wstring userId = chat.Attribute("user_id");
    const std::wstring vposText = vpos.Text();
    const std::wstring vposMinute = Number(vpos.minutes);
    const std::wstring vposMinute2 = PadNumberText(vposMinute, 2, L'0');
    const std::wstring vposSecond = Number(vpos.seconds);
    const std::wstring vposSecond2 = PadNumberText(vposSecond, 2, L'0');
    const std::wstring vposHundredths = Number(vpos.hundredths);
    const std::wstring vposHundredths2 = PadNumberText(vposHundredths, 2, L'0');
    const std::wstring vposMilliseconds = Number(vpos.milliseconds);
    const std::wstring vposMilliseconds3 = PadNumberText(vposMilliseconds, 3, L'0');
    static const std::wstring lineFeed = L"\n";
    const std::wstring* const values[] = {
        &lineFeed, &text,     &date,       &year,        &month,      &day,         &hour,
        &minute,   &second,   &year2,      &month2,      &day2,       &hour2,       &minute2,
        &second2,  &mail,     &mail,       &name,        &no,         &thread,      &userId,
        &vposText, &vposMinute, &vposMinute2, &vposSecond, &vposSecond2, &vposHundredths, &vposHundredths2,
        &vposMilliseconds, &vposMilliseconds3};
    static_assert(std::size(placeholders) == std::size(values));

    // In table order; each step resumes after its own insertions, later steps
    // see what earlier ones inserted. A run of steps whose placeholders share
    // a prefix is skipped when the line lacks the prefix: none of them could
    // match, so the line would stay as it is.
    line.assign(format);
    auto steps = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            if (Contains(line, placeholders[i])) ReplaceAllWide(line, placeholders[i], *values[i]);
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
    ApplyPremiumBlock(line, chat.Attribute("premium") == L"1");
}

}  // namespace

std::wstring BuildCommentLine(const std::wstring& format, const ChatElement& chat) {
    std::wstring line;
    BuildLine(format, chat, line);
    return line;
}

bool ExportCommentText(const std::string& format, const std::string& commentPath, const std::string& textPath,
                       ExportProgress* progress) {
    // Emptying the text file would destroy the comment file it is made from.
    if (SameFile(commentPath, textPath)) {
        InfoLog << "Error : the text file is the comment file " << textPath << EndLine;
        return false;
    }
    TextLineWriter writer;
    if (!writer.Open(textPath)) {
        InfoLog << "Error : CreateFile " << textPath << " (" << static_cast<unsigned long>(writer.LastError())
                << ")" << EndLine;
        return false;
    }
    try {
        CommentReader reader;
        if (!reader.Load(commentPath)) {
            InfoLog << "Error : pDoc->documentElement" << EndLine;
            return false;
        }
        const auto& chats = reader.Chats();
        if (chats.empty()) {
            InfoLog << "コメントデータが存在しません" << EndLine;
            return false;
        }
        // The same text for every comment: converted once.
        const std::wstring wideFormat = AnsiToWide(format);
        const std::size_t count = chats.size();
        int shown = -1;  // per export, so two exports at once do not mix their counts
        std::wstring line;
        for (std::size_t i = 0; i < count; ++i) {
            BuildLine(wideFormat, chats[i], line);
            if (!writer.WriteLine(line)) {
                InfoLog << "Error : WriteFile " << textPath << " ("
                        << static_cast<unsigned long>(writer.LastError()) << ")" << EndLine;
                return false;
            }
            const int percent = static_cast<int>(i * 100 / count);
            if (percent != shown) {
                shown = percent;
                if (progress) progress->ShowPercent(percent);
            }
        }
        if (progress) progress->ShowDone();
        InfoLog << "Save Text" << EndLine;
        writer.Close();
        return true;
    } catch (const std::exception& e) {
        InfoLog << e.what() << EndLine;
    } catch (...) {
        InfoLog << "テキスト変換処理中に例外が発生しました" << EndLine;
    }
    return false;
}
