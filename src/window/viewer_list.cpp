#include "window/viewer_list.h"

#include <algorithm>
#include <string>

#include "viewer/comment_cells.h"
#include "support/window.h"

namespace {

struct Column {
    const wchar_t* title;
    int width;  // pixels at 96 dots per inch
    int format;
};

const Column kColumns[kViewerColumns] = {
    {L"時間", 72, LVCFMT_RIGHT},       {L"No", 64, LVCFMT_RIGHT},       {L"投稿日時", 140, LVCFMT_LEFT},
    {L"ユーザーID", 180, LVCFMT_LEFT}, {L"コマンド", 100, LVCFMT_LEFT}, {L"コメント", 420, LVCFMT_LEFT},
};

// Wine's list view changes "all rows" one row at a time (0.6 s for a
// million), so the few rows selected are cleared one by one.
constexpr std::size_t kFewRows = 1000;

void ClearSelection(HWND list) {
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    if (static_cast<std::size_t>(::SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0)) > kFewRows) {
        ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
        return;
    }
    for (UINT which : {LVNI_SELECTED, LVNI_FOCUSED}) {
        int row = -1;
        while ((row = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, row, which))) >= 0) {
            ::SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&none));
        }
    }
}

}  // namespace

HWND CreateCommentList(HWND parent, int id) {
    HWND list = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
                                  0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  ::GetModuleHandleW(nullptr), nullptr);
    if (!list) return nullptr;
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                   LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP | LVS_EX_HEADERDRAGDROP);
    for (int i = 0; i < kViewerColumns; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(kColumns[i].title);
        column.cx = ScaleToScreen(kColumns[i].width);
        column.fmt = kColumns[i].format;
        column.iSubItem = i;
        ::SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    return list;
}

void SetListRows(HWND list, std::size_t rows) {
    // The states belong to row numbers, which now stand for other comments:
    // no rows first lets go of them all at once.
    ::SendMessageW(list, LVM_SETITEMCOUNT, 0, 0);
    ::SendMessageW(list, LVM_SETITEMCOUNT, rows, LVSICF_NOSCROLL);
    ::InvalidateRect(list, nullptr, FALSE);
}

void FillListCell(NMLVDISPINFOW& info, const CommentTable& table, const std::vector<std::uint32_t>& rows) {
    LVITEMW& item = info.item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    item.pszText[0] = L'\0';
    if (item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= rows.size() || item.iSubItem < 0 ||
        item.iSubItem >= kViewerColumns) {
        return;
    }
    const std::wstring text = CellText(table, rows[item.iItem], static_cast<ViewerColumn>(item.iSubItem));
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax - 1));
    std::copy_n(text.data(), n, item.pszText);
    item.pszText[n] = L'\0';
}

LRESULT DrawListRow(NMLVCUSTOMDRAW& draw, const CommentTable& table, const std::vector<std::uint32_t>& rows) {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            if (draw.nmcd.dwItemSpec < rows.size() &&
                table.At(rows[draw.nmcd.dwItemSpec]).Has(TableComment::kDeleted)) {
                draw.clrText = ::GetSysColor(COLOR_GRAYTEXT);
            }
            return CDRF_DODEFAULT;
    }
    return CDRF_DODEFAULT;
}

void ShowSortMark(HWND list, int column, bool reverse) {
    HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
    for (int i = 0; i < kViewerColumns; ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        ::SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column) item.fmt |= reverse ? HDF_SORTDOWN : HDF_SORTUP;
        ::SendMessageW(header, HDM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
}

int SelectedRow(HWND list) {
    const int row = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (row < 0 || !(::SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED)) return -1;
    return row;
}

void SelectRow(HWND list, int row) {
    ClearSelection(list);
    if (row < 0) return;
    LVITEMW chosen{};
    chosen.stateMask = chosen.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&chosen));
    ::SendMessageW(list, LVM_SETSELECTIONMARK, 0, row);
    ::SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
}

void SelectRows(HWND list, const std::vector<int>& rows, int focused) {
    ClearSelection(list);
    LVITEMW chosen{};
    chosen.stateMask = chosen.state = LVIS_SELECTED;
    for (int row : rows) ::SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&chosen));
    if (focused < 0) return;
    chosen.stateMask = chosen.state = LVIS_FOCUSED;
    ::SendMessageW(list, LVM_SETITEMSTATE, focused, reinterpret_cast<LPARAM>(&chosen));
    ::SendMessageW(list, LVM_SETSELECTIONMARK, 0, focused);
}

int TopRow(HWND list) { return static_cast<int>(::SendMessageW(list, LVM_GETTOPINDEX, 0, 0)); }

void ScrollToTop(HWND list, int row) {
    RECT item{};
    item.left = LVIR_BOUNDS;
    const int top = TopRow(list);
    if (row < 0 || !::SendMessageW(list, LVM_GETITEMRECT, top, reinterpret_cast<LPARAM>(&item))) return;
    // A report list scrolls by pixels, whole rows of them.
    ::SendMessageW(list, LVM_SCROLL, 0, (row - top) * (item.bottom - item.top));
}

void SelectAllRows(HWND list) {
    LVITEMW all{};
    all.stateMask = all.state = LVIS_SELECTED;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
}

std::vector<std::uint32_t> SelectedComments(HWND list, const std::vector<std::uint32_t>& rows) {
    const std::size_t count = static_cast<std::size_t>(::SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0));
    // Every row: no walk through a million selected items.
    if (count >= rows.size()) return rows;
    std::vector<std::uint32_t> comments;
    comments.reserve(count);
    int row = -1;
    while ((row = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0 &&
           static_cast<std::size_t>(row) < rows.size()) {
        comments.push_back(rows[row]);
    }
    return comments;
}
