#include "export/comment_text.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <exception>
#include <string_view>

#include "support/codepage.h"
#include "comments/comment_reader.h"
#include "export/export_failure.h"
#include "export/line_format.h"
#include "ng/ng_rule_file.h"
#include "export/text_writer.h"
#include "infolog/info_log.h"
#include "support/files.h"
#include "support/local_time.h"
#include "support/text.h"

namespace {

std::tm LocalDate(const ChatElement& chat, LocalTimeCache& dates) {
    std::tm local;
    if (!dates.Convert(chat.Integer("date"), local)) throw LocalTimeRefused{};
    return local;
}

std::uint32_t Vpos(const ChatElement& chat) { return static_cast<std::uint32_t>(chat.Integer("vpos")); }

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

// The placeholders replaced one step after another, into the caller's text,
// so that a long export reuses one buffer.
void BuildLineByStep(const std::wstring& format, const LineValues& values, std::wstring& line) {
    // In table order; each step resumes after its own insertions, later steps
    // see what earlier ones inserted. A run of steps whose placeholders share
    // a prefix is skipped when the line lacks the prefix: none of them could
    // match, so the line would stay as it is.
    line.assign(format);
    std::wstring value;
    auto steps = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            if (!Contains(line, kLinePlaceholders[i])) continue;
            value.clear();
            AppendPlaceholderValue(i, values, value);
            ReplaceAllWide(line, kLinePlaceholders[i], value);
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
    ApplyPremiumBlock(line, values.chat);
}

// The line of one comment: from the format's pieces when they give what the
// steps give, otherwise step by step. The date is converted for every
// comment, used or not: a date the local-time conversion refuses fails the
// export whatever the format.
void BuildLine(const std::wstring& format, const LineFormat& pieces, const ChatElement& chat, LocalTimeCache& dates,
               std::wstring& line, const std::wstring* text = nullptr) {
    const std::tm local = LocalDate(chat, dates);
    const LineValues values{chat, local, VposParts(Vpos(chat)), text};
    if (!pieces.Build(values, line)) BuildLineByStep(format, values, line);
}

// The ChatFieldValue keys of the date and the position, as placeholders.
const struct {
    const char* key;
    std::size_t placeholder;
} kFieldKeys[] = {{"date", 2},         {"date.year", 3},    {"date.month", 4},        {"date.day", 5},
                  {"date.hour", 6},    {"date.minute", 7},  {"date.second", 8},       {"vpos", 21},
                  {"vpos.minute", 22}, {"vpos.second", 24}, {"vpos.1/100second", 26}, {"vpos.millisecond", 28}};

}  // namespace

std::wstring ChatFieldValue(const std::string& key, const ChatElement& chat) {
    const bool date = key.find("date") != std::string::npos;
    if (!date && key.find("vpos") == std::string::npos) return chat.Attribute(key.c_str());
    LocalTimeCache dates;
    const std::tm local = date ? LocalDate(chat, dates) : std::tm{};
    const LineValues values{chat, local, VposParts(Vpos(chat)), nullptr};
    std::wstring value;
    for (const auto& field : kFieldKeys) {
        if (key == field.key) AppendPlaceholderValue(field.placeholder, values, value);
    }
    return value;
}

std::wstring BuildCommentLine(const std::wstring& format, const ChatElement& chat) {
    std::wstring line;
    LocalTimeCache dates;
    BuildLine(format, LineFormat(format), chat, dates, line);
    return line;
}

bool ExportCommentText(const std::string& format, const std::wstring& commentPath, const std::wstring& textPath,
                       ExportProgress* progress, NgFilter* filter, const bool* utf8) {
    // Emptying the text file would destroy the comment file it is made from.
    if (SameFile(commentPath, textPath)) {
        InfoLog << "Error : the text file is the comment file " << ShownPath(textPath) << EndLine;
        return false;
    }
    TextLineWriter writer(utf8);
    if (!writer.Open(textPath, true)) {
        InfoLog << "Error : CreateFile " << ShownPath(textPath) << " ("
                << static_cast<unsigned long>(writer.LastError()) << ")" << EndLine;
        return false;
    }
    auto writeFailed = [&] {
        InfoLog << "Error : WriteFile " << ShownPath(textPath) << " (" << static_cast<unsigned long>(writer.LastError())
                << ")" << EndLine;
        return false;
    };
    try {
        // One pass: a file found malformed on the way leaves the text file
        // empty, as if it had been refused before the first line.
        CommentReader reader;
        ByteCounter read;
        const unsigned long long size = FileSize(commentPath);
        auto unreadable = [&] {
            writer.Discard();
            InfoLog << UnreadableCommentFileLine(ShownPath(commentPath), reader.Error()) << EndLine;
            InfoLog << "Error : pDoc->documentElement" << EndLine;
            return false;
        };
        if (!reader.Open(commentPath, &read)) return unreadable();
        // The same text for every comment: converted and cut into pieces once.
        const std::wstring wideFormat = AnsiToWide(format);
        const LineFormat pieces(wideFormat);
        LocalTimeCache dates;
        int shown = -1;  // per export, so two exports at once do not mix their counts
        std::size_t count = 0;
        std::wstring line, text;
        for (; reader.Next(); ++count) {
            const ChatElement& chat = reader.Chat();
            if (filter) text = chat.Text();
            if (!filter || !filter->Hides(NgCommentOf(chat, &text))) {
                BuildLine(wideFormat, pieces, chat, dates, line, filter ? &text : nullptr);
                if (!writer.WriteLine(line)) return writeFailed();
            }
            // By the bytes read: the file is read in pieces ahead of the comments.
            const int percent =
                size == 0 ? 0 : static_cast<int>(std::min<unsigned long long>(read.Bytes() * 100 / size, 99));
            if (percent != shown) {
                shown = percent;
                if (progress) progress->ShowPercent(percent);
            }
        }
        if (reader.Failed()) return unreadable();
        if (reader.ControlCharacters() > 0) InfoLog << ControlCharactersLine(reader.ControlCharacters()) << EndLine;
        if (count == 0) {
            writer.Discard();
            InfoLog << "コメントデータが存在しません" << EndLine;
            return false;
        }
        if (!writer.Close()) return writeFailed();
        if (progress) progress->ShowDone();
        InfoLog << "Save Text" << EndLine;
        return true;
    } catch (...) {
        return ReportExportFailure("テキスト変換処理中に例外が発生しました");
    }
}
