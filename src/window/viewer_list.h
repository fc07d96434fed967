// The viewer's list (control 1203): a report list view in virtual mode, so
// that a million rows scroll freely. The viewer decides the rows (comment
// indices in the table); the list asks for the cells it paints.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "viewer/comment_table.h"

HWND CreateCommentList(HWND parent, int id);
// A new set of rows: nothing selected, the scroll kept where it can be.
void SetListRows(HWND list, std::size_t rows);
// LVN_GETDISPINFOW: the cell's text.
void FillListCell(NMLVDISPINFOW& info, const CommentTable& table, const std::vector<std::uint32_t>& rows);
// NM_CUSTOMDRAW: the row of a deleted comment in grey; the answer to return.
LRESULT DrawListRow(NMLVCUSTOMDRAW& draw, const CommentTable& table, const std::vector<std::uint32_t>& rows);
// The header's arrow on the column the list is ordered by.
void ShowSortMark(HWND list, int column, bool reverse);

// The row with the keyboard's focus when it is selected too; -1 otherwise.
int SelectedRow(HWND list);
// Selects the row alone, gives it the focus and scrolls it into view.
void SelectRow(HWND list, int row);
void SelectAllRows(HWND list);
// Selects the rows and gives the focus to one of them (none for -1), without scrolling.
void SelectRows(HWND list, const std::vector<int>& rows, int focused);
// The row at the top of the list's view, and a scroll that puts the row there
// (as near as the list's end lets it).
int TopRow(HWND list);
void ScrollToTop(HWND list, int row);
// The selected rows' comments, in the rows' order.
std::vector<std::uint32_t> SelectedComments(HWND list, const std::vector<std::uint32_t>& rows);
