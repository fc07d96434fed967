// What the viewer shows of a comment: the list's cells, the rows copied to
// the clipboard, the graph's tip and the status line. Window-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "viewer/comment_table.h"

enum class ViewerColumn { Time, No, Date, User, Mail, Text };
inline constexpr int kViewerColumns = 6;

// "m:ss.cc" from hundredths of a second; minutes go on past an hour
// ("75:02.50"), a moment before the start gets a sign ("-0:01.00").
std::wstring VposCell(long long vpos);
// The local time "YYYY/MM/DD HH:MM:SS"; empty when the runtime cannot convert it.
std::wstring DateCell(long long date);
// Leads the comment's cell of a deleted one (the list greys its row too).
inline constexpr wchar_t kDeletedMarker[] = L"削除";
// The cell of a column; the comment's line ends and tabs read as blanks, its
// other control characters as their Control Pictures symbols (␐ for U+0010).
// Copied rows keep them as they are.
std::wstring CellText(const CommentTable& table, std::size_t comment, ViewerColumn column);

// The comments' cells, tab-separated, one line (CR LF) each, as spreadsheets
// take them from the clipboard: a field holding a tab, a line end or a quote
// is quoted, its quotes doubled, so the text arrives whole.
std::wstring CopiedRows(const CommentTable& table, const std::vector<std::uint32_t>& comments);

// The graph's tip for a second: its time and how many comments are on the
// screen then, and how many of the search's when one is active.
std::wstring GraphTipText(std::size_t second, std::uint32_t count, const std::uint32_t* found);

// "表示 N 件 / 全 M 件", and " (NG K 件)" with the rules on.
std::wstring StatusCounts(std::size_t shown, std::size_t total, bool rulesOn, std::size_t hidden);
