#include "viewer/comment_cells.h"

#include <ctime>

#include "export/line_format.h"
#include "comments/xml_chars.h"
#include "support/local_time.h"

namespace {

std::wstring Widen(std::string_view utf8) {
    std::wstring text;
    AppendUtf16Units(utf8, text);  // the reader hands out well-formed UTF-8
    return text;
}

// Line ends and tabs as blanks; the other control characters as their
// Control Pictures symbols (U+0010 as U+2410), which the list can draw.
std::wstring OneLine(std::wstring_view text) {
    std::wstring line(text);
    for (wchar_t& c : line) {
        if (c == L'\n' || c == L'\r' || c == L'\t') {
            c = L' ';
        } else if (IsForbiddenControl(c)) {
            c = static_cast<wchar_t>(0x2400 + c);
        }
    }
    return line;
}

bool NeedsQuotes(std::wstring_view field) { return field.find_first_of(L"\t\r\n\"") != std::wstring_view::npos; }

void AppendField(std::wstring& out, std::wstring_view field) {
    if (!NeedsQuotes(field)) {
        out += field;
        return;
    }
    out += L'"';
    for (wchar_t c : field) {
        if (c == L'"') out += L'"';
        out += c;
    }
    out += L'"';
}

// A cell as copied: the texts as received.
std::wstring FieldText(const CommentTable& table, std::size_t comment, ViewerColumn column) {
    switch (column) {
        case ViewerColumn::User: return Widen(table.UserId(comment));
        case ViewerColumn::Mail: return Widen(table.Mail(comment));
        case ViewerColumn::Text: return std::wstring(table.Text(comment));
        default: return CellText(table, comment, column);
    }
}

}  // namespace

std::wstring VposCell(long long vpos) {
    std::wstring text;
    unsigned long long magnitude = vpos < 0 ? 0ULL - static_cast<unsigned long long>(vpos) : vpos;
    if (vpos < 0) text += L'-';
    AppendDecimal(text, magnitude / 6000);
    text += L':';
    AppendDecimal(text, magnitude / 100 % 60, 2);
    text += L'.';
    AppendDecimal(text, magnitude % 100, 2);
    return text;
}

std::wstring DateCell(long long date) {
    std::tm local;
    if (!LocalTime(date, local)) return std::wstring();
    std::wstring text;
    AppendDecimal(text, static_cast<unsigned>(local.tm_year + 1900), 4);
    text += L'/';
    AppendDecimal(text, static_cast<unsigned>(local.tm_mon + 1), 2);
    text += L'/';
    AppendDecimal(text, static_cast<unsigned>(local.tm_mday), 2);
    text += L' ';
    AppendDecimal(text, static_cast<unsigned>(local.tm_hour), 2);
    text += L':';
    AppendDecimal(text, static_cast<unsigned>(local.tm_min), 2);
    text += L':';
    AppendDecimal(text, static_cast<unsigned>(local.tm_sec), 2);
    return text;
}

std::wstring CellText(const CommentTable& table, std::size_t comment, ViewerColumn column) {
    const TableComment& c = table.At(comment);
    switch (column) {
        case ViewerColumn::Time: return c.Has(TableComment::kHasVpos) ? VposCell(c.vpos) : std::wstring();
        case ViewerColumn::No: return c.Has(TableComment::kHasNo) ? std::to_wstring(c.no) : std::wstring();
        case ViewerColumn::Date: return c.Has(TableComment::kHasDate) ? DateCell(c.date) : std::wstring();
        case ViewerColumn::User: return OneLine(Widen(table.UserId(comment)));
        case ViewerColumn::Mail: return OneLine(Widen(table.Mail(comment)));
        case ViewerColumn::Text:
            // The marker of a deleted one, before the text such a placeholder rarely has.
            if (c.Has(TableComment::kDeleted)) {
                return table.Text(comment).empty() ? std::wstring(kDeletedMarker)
                                                   : kDeletedMarker + (L" " + OneLine(table.Text(comment)));
            }
            return OneLine(table.Text(comment));
    }
    return std::wstring();
}

std::wstring CopiedRows(const CommentTable& table, const std::vector<std::uint32_t>& comments) {
    std::wstring text;
    for (std::uint32_t comment : comments) {
        for (int column = 0; column < kViewerColumns; ++column) {
            if (column > 0) text += L'\t';
            AppendField(text, FieldText(table, comment, static_cast<ViewerColumn>(column)));
        }
        text += L"\r\n";
    }
    return text;
}

std::wstring GraphTipText(std::size_t second, std::uint32_t count, const std::uint32_t* found) {
    const std::string time = GraphTimeText(second);
    std::wstring text(time.begin(), time.end());
    text += L"  " + std::to_wstring(count) + L" 件";
    if (found) text += L" (検索 " + std::to_wstring(*found) + L" 件)";
    return text;
}

std::wstring StatusCounts(std::size_t shown, std::size_t total, bool rulesOn, std::size_t hidden) {
    std::wstring text = L"表示 " + std::to_wstring(static_cast<long long>(shown)) + L" 件 / 全 " +
                        std::to_wstring(static_cast<long long>(total)) + L" 件";
    if (rulesOn) text += L" (NG " + std::to_wstring(static_cast<long long>(hidden)) + L" 件)";
    return text;
}
