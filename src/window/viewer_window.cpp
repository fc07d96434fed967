#include "window/viewer_window.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "acquisition/naming.h"
#include "viewer/comment_cells.h"
#include "viewer/comment_search.h"
#include "export/graph_drawing.h"
#include "export/graph_export.h"
#include "infolog/info_log.h"
#include "jobs/viewer_load.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "support/codepage.h"
#include "support/drop_handle.h"
#include "support/gdi_handles.h"
#include "support/handles.h"
#include "support/picture.h"
#include "support/window.h"
#include "window/program_message.h"
#include "window/viewer_graph.h"
#include "window/viewer_list.h"
#include "window/workers.h"

namespace {

const wchar_t kClassName[] = L"CKometoriViewer";
const wchar_t kTitle[] = L"コメントビューア";
const FileFilter kCommentFiles[] = {{"コメントファイル (*.xml)", "*.xml"}, {"すべてのファイル (*.*)", "*.*"}};
const FileFilter kPictureFiles[] = {{"PNG 画像 (*.png)", "*.png"}};
const wchar_t kEmptyHint[] = L"[ファイル]→[開く] か、コメントファイルをここへドロップして下さい";
const wchar_t kReadingHint[] = L"読み込み中...";
// Pixels at 96 dots per inch, scaled to the screen's.
constexpr int kGraphHeight = 120;
constexpr int kMargin = 6;
constexpr int kSearchWidth = 260;
constexpr int kCountsWidth = 300;
constexpr int kDefaultWidth = 900, kDefaultHeight = 620;
constexpr int kMinWidth = 420, kMinHeight = 320;
constexpr int kCascade = 24;
// Selected comments looked up again in a file read anew; beyond them the
// focused one alone stays selected.
constexpr std::size_t kKeptSelection = 1000;

// The list's orders, by the column whose header was clicked.
enum SortColumn { kByTime = 0, kByNo = 1, kByDate = 2 };

struct Viewer {
    HWND window = nullptr;
    HWND main = nullptr;  // beside which the viewers of a drop open
    HWND graph = nullptr, label = nullptr, search = nullptr, pattern = nullptr, list = nullptr, status = nullptr;
    HWND lastFocus = nullptr;
    FontHandle font;
    int textHeight = 0;
    GraphView graphView;
    // Shared with the search's worker; replaced whole by the next file.
    std::shared_ptr<const ViewerContent> content;
    // The file read again after a change on disk, shown once its search is done.
    std::shared_ptr<const ViewerContent> coming;
    std::wstring reading;  // the file on the reading worker; empty when none
    int percent = 0;
    CommentMatches matches;
    std::vector<std::uint32_t> subset;  // the matches' on-screen counts
    std::vector<std::uint32_t> rows;    // comments, as the list shows them
    int sortColumn = kByTime;
    bool reverse = false;
    std::wstring note;  // the status bar's second part
    WorkerSlot reader, searcher;
};

// Main thread only; the list owns the viewers.
std::vector<std::unique_ptr<Viewer>>& Viewers() {
    static std::vector<std::unique_ptr<Viewer>> viewers;
    return viewers;
}

Viewer* ViewerOf(HWND window) {
    for (const auto& viewer : Viewers()) {
        if (viewer->window == window) return viewer.get();
    }
    return nullptr;
}

std::wstring FileName(const std::wstring& path) { return ::PathFindFileNameW(path.c_str()); }

void UpdateTitle(Viewer& v) {
    std::wstring title = kTitle;
    const std::wstring& file = !v.reading.empty() ? v.reading : v.content ? v.content->path : v.reading;
    if (!file.empty()) title += L" - " + FileName(file);
    if (!v.reading.empty()) title += L" - 読み込み中...(" + std::to_wstring(v.percent) + L"%)";
    ::SetWindowTextW(v.window, title.c_str());
}

void UpdateStatus(Viewer& v) {
    std::wstring counts;
    if (v.content) {
        const TableReading& reading = v.content->reading;
        counts = StatusCounts(v.rows.size(), reading.comments, v.content->rulesOn, reading.hidden);
    }
    const std::wstring& note = v.reading.empty() ? v.note : std::wstring(kReadingHint);
    ::SendMessageW(v.status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(counts.c_str()));
    ::SendMessageW(v.status, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(note.c_str()));
}

const std::vector<std::uint32_t>& Order(const Viewer& v) {
    const CommentOrders& orders = v.content->orders;
    return v.sortColumn == kByNo ? orders.byNo : v.sortColumn == kByDate ? orders.byDate : orders.byTime;
}

long long SelectedComment(const Viewer& v) {
    const int row = SelectedRow(v.list);
    return row >= 0 && static_cast<std::size_t>(row) < v.rows.size() ? static_cast<long long>(v.rows[row]) : -1;
}

// The graph's line follows the list's selection.
void UpdateSelectedMoment(Viewer& v) {
    const long long comment = SelectedComment(v);
    long long moment = -1;
    if (comment >= 0) {
        const TableComment& c = v.content->table.At(static_cast<std::size_t>(comment));
        if (c.Has(TableComment::kHasVpos)) moment = c.vpos;
    }
    if (moment == v.graphView.selected) return;
    v.graphView.selected = moment;
    RedrawGraph(v.graph);
}

void SelectComment(Viewer& v, long long comment) {
    if (comment < 0) return;
    const auto row = std::find(v.rows.begin(), v.rows.end(), static_cast<std::uint32_t>(comment));
    if (row == v.rows.end()) return;
    SelectRow(v.list, static_cast<int>(row - v.rows.begin()));
    UpdateSelectedMoment(v);
}

// The rows anew (another order, other matches); the selected comment stays
// selected while it is among them.
void ShowRows(Viewer& v) {
    const long long kept = SelectedComment(v);
    v.rows = v.content ? ListRows(Order(v), v.reverse, v.matches) : std::vector<std::uint32_t>();
    SetListRows(v.list, v.rows.size());
    SelectComment(v, kept);
    UpdateSelectedMoment(v);
    UpdateStatus(v);
}

void ShowMatches(Viewer& v, CommentMatches matches, std::vector<std::uint32_t> subset) {
    v.matches = std::move(matches);
    v.subset = std::move(subset);
    v.graphView.subset = v.matches.active ? &v.subset : nullptr;
    v.note = v.matches.error.empty() ? std::wstring() : L"正規表現が正しくありません: " + AnsiToWide(v.matches.error);
    ShowRows(v);
    RedrawGraph(v.graph);
}

// The file read again takes the place of the one shown, with its search's
// matches. The comments at the top of the view and those selected stay there
// and selected, found again by what they are, not by their rows.
void ShowComing(Viewer& v, CommentMatches matches, std::vector<std::uint32_t> subset) {
    const std::shared_ptr<const ViewerContent> shown = std::move(v.content);
    const int topRow = TopRow(v.list);
    const long long top = topRow >= 0 && static_cast<std::size_t>(topRow) < v.rows.size() ? v.rows[topRow] : -1;
    const long long focused = SelectedComment(v);
    const std::size_t count = static_cast<std::size_t>(::SendMessageW(v.list, LVM_GETSELECTEDCOUNT, 0, 0));
    const bool all = count > 0 && count >= v.rows.size();
    // Each is looked up in the new file: a focused one alone beyond a few.
    const std::vector<std::uint32_t> selected =
        !all && count <= kKeptSelection ? SelectedComments(v.list, v.rows) : std::vector<std::uint32_t>();

    v.content = std::move(v.coming);
    v.graphView.figures = &v.content->figures;
    v.graphView.peaks = &v.content->peaks;
    v.matches = std::move(matches);
    v.subset = std::move(subset);
    v.graphView.subset = v.matches.active ? &v.subset : nullptr;
    v.rows = ListRows(Order(v), v.reverse, v.matches);
    SetListRows(v.list, v.rows.size());

    std::vector<int> rowOf(v.content->table.Size(), -1);
    for (std::size_t row = 0; row < v.rows.size(); ++row) rowOf[v.rows[row]] = static_cast<int>(row);
    auto rowNow = [&](long long comment) {
        if (comment < 0) return -1;
        const std::size_t same =
            FindSameComment(v.content->table, v.content->orders.byNo, shown->table, static_cast<std::size_t>(comment));
        return same == kNoComment ? -1 : rowOf[same];
    };
    if (all) {
        SelectAllRows(v.list);
    } else {
        std::vector<int> rows;
        for (std::uint32_t comment : selected) {
            const int row = rowNow(comment);
            if (row >= 0) rows.push_back(row);
        }
        SelectRows(v.list, rows, rowNow(focused));
    }
    const int topNow = rowNow(top);
    ScrollToTop(v.list, topNow >= 0 ? topNow : topRow);

    const long long added =
        static_cast<long long>(v.content->reading.comments) - static_cast<long long>(shown->reading.comments);
    v.note = L"更新: " + std::wstring(added >= 0 ? L"+" : L"") + std::to_wstring(added) + L" 件";
    UpdateSelectedMoment(v);
    UpdateStatus(v);
    RedrawGraph(v.graph);
}

// As the user types: each key lets the last search go and starts its own, on
// the file read again when one waits to be shown.
void StartSearch(Viewer& v) {
    if (!v.content) return;
    CommentQuery query{WideWindowText(v.search), ::SendMessageW(v.pattern, BM_GETCHECK, 0, 0) == BST_CHECKED};
    if (query.text.empty()) {
        v.searcher.Release();
        if (v.coming) {
            ShowComing(v, CommentMatches(), {});
        } else {
            ShowMatches(v, CommentMatches(), {});
        }
        return;
    }
    const HWND window = v.window;
    std::shared_ptr<const ViewerContent> content = v.coming ? v.coming : v.content;
    v.searcher.Start([window, content, query](JobTicket& ticket) {
        CommentMatches matches;
        if (!MatchComments(content->table, query, ticket.stop, matches)) return;
        std::vector<std::uint32_t> subset;
        if (matches.active) subset = TableFigures(content->table, content->timing, -1, &matches.hits).onScreen;
        CallOnWindow(window, ticket, [&] {
            Viewer* v = ViewerOf(window);
            if (v && content == v->coming) {
                ShowComing(*v, std::move(matches), std::move(subset));
            } else if (v && content == v->content) {
                ShowMatches(*v, std::move(matches), std::move(subset));
            }
        });
    });
}

// The file changed on disk and was read again, or could not be.
void FileChanged(Viewer& v, std::shared_ptr<const ViewerContent> content, const ViewerError& error) {
    if (!content) {  // what is shown stays; the next change is read again
        v.note = L"ファイルを読み込めないため、前の内容を表示しています: " + error.reason;
        UpdateStatus(v);
        return;
    }
    v.coming = std::move(content);
    StartSearch(v);
}

void Adopt(Viewer& v, std::shared_ptr<const ViewerContent> content) {
    v.searcher.Release();
    v.content = std::move(content);
    v.coming.reset();
    v.reading.clear();
    v.graphView.figures = &v.content->figures;
    v.graphView.peaks = &v.content->peaks;
    v.graphView.selected = -1;
    SetListRows(v.list, 0);  // no selection carries over to another file
    UpdateTitle(v);
    ShowMatches(v, CommentMatches(), {});
    // The search typed stays and finds its comments in the new file.
    if (::GetWindowTextLengthW(v.search) > 0) StartSearch(v);
}

bool StartWorker(Viewer& v, const std::wstring& path, bool shown);

void ReadingEnded(Viewer& v, std::shared_ptr<const ViewerContent> content, const std::wstring& error) {
    if (content) {
        Adopt(v, std::move(content));
        return;
    }
    // What was shown before stays, and is followed again.
    if (v.content) StartWorker(v, v.content->path, true);
    v.reading.clear();
    v.graphView.hint = kEmptyHint;
    UpdateTitle(v);
    UpdateStatus(v);
    RedrawGraph(v.graph);
    ShowProgramMessage(v.window, error, MB_ICONWARNING);
}

void ShowPercent(Viewer& v, int percent) {
    v.percent = percent;
    UpdateTitle(v);
}

// The viewer's worker: reads the file, unless it is shown already, and
// follows its changes on disk. A file still read or followed is let go.
bool StartWorker(Viewer& v, const std::wstring& path, bool shown) {
    const AppSettings& settings = App().settings;
    const ViewerRequest request{path, settings.NgRuleChoice(), GraphTimingOf(settings.subtitle)};
    const HWND window = v.window;
    v.coming.reset();
    return v.reader.Start([window, request, shown](JobTicket& ticket) {
        ViewerFollow follow;
        follow.shown = shown;
        follow.percent = [&](int percent) {
            CallOnWindow(window, ticket, [&] {
                if (Viewer* v = ViewerOf(window)) ShowPercent(*v, percent);
            });
        };
        follow.ended = [&](std::shared_ptr<const ViewerContent> content, const ViewerError& error, bool again) {
            return CallOnWindow(window, ticket, [&] {
                Viewer* v = ViewerOf(window);
                if (v && again) {
                    FileChanged(*v, std::move(content), error);
                } else if (v) {
                    ReadingEnded(*v, std::move(content), error.message);
                }
            });
        };
        FollowViewerFile(request, follow);
    });
}

// A file to show, the title saying how far its reading has come.
void StartReading(Viewer& v, const std::wstring& path) {
    if (!StartWorker(v, path, false)) {  // the reading before was let go all the same
        v.reading.clear();
        UpdateTitle(v);
        UpdateStatus(v);
        return;
    }
    v.reading = path;
    v.percent = 0;
    if (!v.content) v.graphView.hint = kReadingHint;
    UpdateTitle(v);
    UpdateStatus(v);
    RedrawGraph(v.graph);
}

// The first shown comment at or after the moment (the last one before it
// when none comes after), selected and scrolled to.
void PickMoment(Viewer& v, long long moment) {
    if (!v.content) return;
    const std::size_t found = CommentAtMoment(v.content->table, v.content->orders.byTime, v.matches, moment);
    if (found != kNoComment) SelectComment(v, static_cast<long long>(found));
}

void SortBy(Viewer& v, int column) {
    if (column != kByTime && column != kByNo && column != kByDate) return;
    v.reverse = column == v.sortColumn && !v.reverse;
    v.sortColumn = column;
    ShowSortMark(v.list, v.sortColumn, v.reverse);
    if (v.content) ShowRows(v);
}

void CopyRows(Viewer& v) {
    if (!v.content) return;
    const std::vector<std::uint32_t> comments = SelectedComments(v.list, v.rows);
    if (comments.empty()) return;
    if (!CopyToClipboard(v.window, CopiedRows(v.content->table, comments))) {
        v.note = L"クリップボードにコピーできませんでした";
    } else {
        v.note = std::to_wstring(comments.size()) + L" 件をコピーしました";
    }
    UpdateStatus(v);
}

// The graph as shown, at its size, through the save dialog.
void SaveGraph(Viewer& v) {
    if (!v.content) return;
    std::wstring path = GraphPicturePathFor(v.content->path);
    if (!ChooseSaveFile(v.window, PlatformFilter(kPictureFiles, 1), path, L"png")) return;
    RECT area{};
    ::GetClientRect(v.graph, &area);
    GraphMarks marks;
    marks.subset = v.graphView.subset;
    marks.selected = v.graphView.selected;
    Picture picture;
    std::string error = "CreateDIBSection";
    if (RenderCommentGraph(area.right, area.bottom, v.content->figures, v.content->peaks, marks, picture) &&
        WritePngFile(path, picture, error)) {
        InfoLog << "Save PNG " << ShownPath(path) << EndLine;
        v.note = L"グラフを保存しました: " + FileName(path);
        UpdateStatus(v);
        return;
    }
    InfoLog << "Error : PNG " << ShownPath(path) << " : " << error << EndLine;
    ShowProgramMessage(v.window, L"グラフを保存できませんでした。\n\n" + path + L"\n\n" + AnsiToWide(error),
                       MB_ICONWARNING);
}

void LayOut(Viewer& v) {
    RECT client{};
    ::GetClientRect(v.window, &client);
    const int width = client.right, height = client.bottom;
    ::SendMessageW(v.status, WM_SIZE, 0, 0);
    const int parts[2] = {std::min(width, ScaleToScreen(kCountsWidth)), -1};
    ::SendMessageW(v.status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    const int statusHeight = WindowHeight(v.status);
    const int margin = ScaleToScreen(kMargin);
    const int graphHeight = ScaleToScreen(kGraphHeight);
    const int rowHeight = v.textHeight + ScaleToScreen(8);
    const int y = graphHeight + margin;

    ::MoveWindow(v.graph, 0, 0, width, graphHeight, TRUE);
    WindowDc dc(v.window);
    SelectedObject font(dc.get(), v.font.get());
    SIZE label{}, pattern{};
    ::GetTextExtentPoint32W(dc.get(), L"検索(S):", 6, &label);
    ::GetTextExtentPoint32W(dc.get(), L"正規表現", 4, &pattern);
    int x = margin;
    ::MoveWindow(v.label, x, y + (rowHeight - v.textHeight) / 2, label.cx + 2, v.textHeight, TRUE);
    x += label.cx + margin;
    ::MoveWindow(v.search, x, y, ScaleToScreen(kSearchWidth), rowHeight, TRUE);
    x += ScaleToScreen(kSearchWidth) + 2 * margin;
    ::MoveWindow(v.pattern, x, y, pattern.cx + ::GetSystemMetrics(SM_CXMENUCHECK) + 2 * margin, rowHeight, TRUE);
    const int listTop = y + rowHeight + margin;
    ::MoveWindow(v.list, 0, listTop, width, std::max(0, height - statusHeight - listTop), TRUE);
}

bool CreateChildren(Viewer& v) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    v.font.reset(::CreateFontIndirectW(&metrics.lfMessageFont));
    {
        WindowDc dc(v.window);
        SelectedObject font(dc.get(), v.font.get());
        TEXTMETRICW text{};
        ::GetTextMetricsW(dc.get(), &text);
        v.textHeight = text.tmHeight;
    }
    auto make = [&](DWORD exStyle, const wchar_t* type, const wchar_t* text, DWORD style, int id) {
        return ::CreateWindowExW(exStyle, type, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, v.window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    };
    // In the order Tab goes: the label's letter leads to the box after it.
    v.label = make(0, L"STATIC", L"検索(&S):", SS_LEFT, -1);
    v.search = make(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, IDC_VIEWER_SEARCH);
    v.pattern = make(0, L"BUTTON", L"正規表現", WS_TABSTOP | BS_AUTOCHECKBOX, IDC_VIEWER_PATTERN);
    v.list = CreateCommentList(v.window, IDC_VIEWER_LIST);
    v.graph = CreateGraphControl(v.window, IDC_VIEWER_GRAPH, &v.graphView);
    v.status = make(0, STATUSCLASSNAMEW, L"", SBARS_SIZEGRIP, IDC_VIEWER_STATUS);
    if (!v.label || !v.search || !v.pattern || !v.list || !v.graph || !v.status) return false;
    for (HWND child : {v.label, v.search, v.pattern, v.list, v.graph, v.status}) {
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(v.font.get()), FALSE);
    }
    ::SendMessageW(v.search, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"コメントの本文を検索"));
    ShowSortMark(v.list, v.sortColumn, v.reverse);
    v.graphView.hint = kEmptyHint;
    const HWND window = v.window;
    v.graphView.pick = [window](long long moment) {
        if (Viewer* viewer = ViewerOf(window)) PickMoment(*viewer, moment);
    };
    v.lastFocus = v.search;
    return true;
}

void OnCommand(Viewer& v, WORD id, WORD code) {
    const bool inSearch = ::GetFocus() == v.search;
    switch (id) {
        case IDM_VIEWER_OPEN: {
            std::wstring path = v.content ? v.content->path : std::wstring();
            if (ChooseOpenFile(v.window, PlatformFilter(kCommentFiles, 2), path)) StartReading(v, path);
            break;
        }
        case IDM_VIEWER_SAVE_GRAPH: SaveGraph(v); break;
        case IDM_VIEWER_CLOSE: ::SendMessageW(v.window, WM_CLOSE, 0, 0); break;
        case IDM_VIEWER_FIND: SelectAllOnFocus(v.search); break;
        case IDM_VIEWER_COPY:
            if (inSearch) {
                ::SendMessageW(v.search, WM_COPY, 0, 0);
            } else {
                CopyRows(v);
            }
            break;
        case IDM_VIEWER_SELECT_ALL:
            if (inSearch) {
                ::SendMessageW(v.search, EM_SETSEL, 0, -1);
            } else {
                SelectAllRows(v.list);
            }
            break;
        case IDC_VIEWER_SEARCH:
            if (code == EN_CHANGE) StartSearch(v);
            break;
        case IDC_VIEWER_PATTERN:
            if (code == BN_CLICKED) StartSearch(v);
            break;
        case IDOK:  // Enter in the search box goes on to its results
            if (inSearch) {
                ::SetFocus(v.list);
                if (SelectedRow(v.list) < 0 && !v.rows.empty()) SelectComment(v, v.rows.front());
            }
            break;
        case IDCANCEL:  // Esc in the search box empties it
            if (inSearch) ::SetWindowTextW(v.search, L"");
            break;
    }
}

LRESULT OnNotify(Viewer& v, const NMHDR& header) {
    if (header.idFrom != IDC_VIEWER_LIST) return 0;
    switch (header.code) {
        case LVN_GETDISPINFOW:
            if (v.content) {
                FillListCell(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)), v.content->table, v.rows);
            }
            return 0;
        case LVN_COLUMNCLICK: SortBy(v, reinterpret_cast<const NMLISTVIEW&>(header).iSubItem); return 0;
        case LVN_ITEMCHANGED:
        case LVN_ODSTATECHANGED:
            if (v.content) UpdateSelectedMoment(v);
            return 0;
        case LVN_ODFINDITEMW: return -1;  // no search by typing in a million rows
        case NM_CUSTOMDRAW:
            if (!v.content) return CDRF_DODEFAULT;
            return DrawListRow(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)), v.content->table,
                               v.rows);
    }
    return 0;
}

// The first file replaces this viewer's; each other one opens a viewer of its own.
void OnDrop(Viewer& v, HDROP drop) {
    const DropHandle owner(drop);
    const std::vector<std::wstring> files = DroppedFiles(drop);
    if (files.empty()) return;
    StartReading(v, files.front());
    for (std::size_t i = 1; i < files.size(); ++i) OpenViewer(v.main, files[i]);
}

// The place to keep: the normal one of a minimised or maximised window.
void KeepPlace(const Viewer& v) {
    RECT rect{};
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if ((::IsIconic(v.window) || ::IsZoomed(v.window)) && ::GetWindowPlacement(v.window, &placement)) {
        rect = placement.rcNormalPosition;
    } else if (!::GetWindowRect(v.window, &rect)) {
        return;
    }
    AppSettings& settings = App().settings;
    settings.HasViewerPlace = true;
    settings.ViewerLeft = rect.left;
    settings.ViewerTop = rect.top;
    settings.ViewerWidth = rect.right - rect.left;
    settings.ViewerHeight = rect.bottom - rect.top;
}

void Forget(HWND window) {
    auto& viewers = Viewers();
    viewers.erase(std::remove_if(viewers.begin(), viewers.end(),
                                 [window](const std::unique_ptr<Viewer>& v) { return v->window == window; }),
                  viewers.end());
}

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        static_cast<Viewer*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams)->window = window;
    }
    Viewer* v = ViewerOf(window);
    if (!v) return ::DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
        case WM_CREATE: return CreateChildren(*v) ? 0 : -1;
        case WM_SIZE: LayOut(*v); return 0;
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize = POINT{ScaleToScreen(kMinWidth), ScaleToScreen(kMinHeight)};
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE && ::IsChild(window, ::GetFocus())) v->lastFocus = ::GetFocus();
            break;
        case WM_SETFOCUS: ::SetFocus(v->lastFocus ? v->lastFocus : v->search); return 0;
        case WM_NEXTDLGCTL: {
            // What a dialog does for IsDialogMessage: a label's letter moves on
            // to the box after it this way.
            HWND to = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                     : ::GetNextDlgTabItem(window, ::GetFocus(), wParam != 0);
            if (to) ::SetFocus(to);
            return 0;
        }
        case WM_COMMAND: OnCommand(*v, LOWORD(wParam), HIWORD(wParam)); return 0;
        case WM_NOTIFY: return OnNotify(*v, *reinterpret_cast<const NMHDR*>(lParam));
        case WM_DROPFILES: OnDrop(*v, reinterpret_cast<HDROP>(wParam)); return 0;
        case WM_CLOSE: ::DestroyWindow(window); return 0;
        case WM_DESTROY:
            KeepPlace(*v);
            // A reading or a search still running is let go; it shows nothing more.
            v->reader.Release();
            v->searcher.Release();
            return 0;
        case WM_NCDESTROY: Forget(window); break;
        case kWorkerCallMessage: return HandleWorkerCall(wParam, lParam) ? 1 : 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterViewerClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ViewerProc;
    wc.hInstance = instance;
    wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_KOMETORI));
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    return ::RegisterClassExW(&wc) || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

RECT WorkAreaOf(const RECT& rect) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoW(::MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor)) return rect;
    return monitor.rcWork;
}

// Beside the main window: right of it, else left of it, narrower where the
// screen is, else below it.
RECT BesideMainWindow(HWND main) {
    RECT beside{};
    if (!main || !::GetWindowRect(main, &beside)) beside = RECT{};
    const RECT work = WorkAreaOf(beside);
    const int gap = ScaleToScreen(kMargin), least = ScaleToScreen(kMinWidth);
    int width = ScaleToScreen(kDefaultWidth);
    const int height = ScaleToScreen(kDefaultHeight);
    const int right = work.right - beside.right - gap, left = beside.left - gap - work.left;
    if (right >= std::min(width, least)) {
        width = std::min(width, right);
        return RECT{beside.right + gap, beside.top, beside.right + gap + width, beside.top + height};
    }
    if (left >= std::min(width, least)) {
        width = std::min(width, left);
        return RECT{beside.left - gap - width, beside.top, beside.left - gap, beside.top + height};
    }
    return RECT{beside.left, beside.bottom + gap, beside.left + width, beside.bottom + gap + height};
}

// Where the last viewer closed stood, or beside the main window; each viewer
// already open moves the new one a step on. What passes the work area's edge
// is made smaller (down to the least size) rather than moved back, so the
// steps still show.
RECT NewViewerPlace(HWND main) {
    const AppSettings& settings = App().settings;
    RECT place = BesideMainWindow(main);
    if (settings.HasViewerPlace && settings.ViewerWidth > 0 && settings.ViewerHeight > 0) {
        place = RECT{settings.ViewerLeft, settings.ViewerTop, settings.ViewerLeft + settings.ViewerWidth,
                     settings.ViewerTop + settings.ViewerHeight};
    }
    const int step = ScaleToScreen(kCascade) * static_cast<int>(Viewers().size());
    ::OffsetRect(&place, step, step);
    const RECT work = WorkAreaOf(place);
    const int least = ScaleToScreen(kMinWidth), lowest = ScaleToScreen(kMinHeight);
    const int left = std::clamp<int>(place.left, work.left, std::max<int>(work.left, work.right - least));
    const int top = std::clamp<int>(place.top, work.top, std::max<int>(work.top, work.bottom - lowest));
    return RECT{left, top, left + std::min<int>(place.right - place.left, work.right - left),
                top + std::min<int>(place.bottom - place.top, work.bottom - top)};
}

}  // namespace

HWND OpenViewer(HWND main, const std::wstring& path) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (!RegisterViewerClass(instance)) return nullptr;
    const RECT place = NewViewerPlace(main);
    Viewers().push_back(std::make_unique<Viewer>());
    Viewer* v = Viewers().back().get();
    v->main = main;
    HMENU menu = ::LoadMenuW(instance, MAKEINTRESOURCEW(IDR_VIEWER));
    HWND window =
        ::CreateWindowExW(WS_EX_ACCEPTFILES, kClassName, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, place.left,
                          place.top, place.right - place.left, place.bottom - place.top, nullptr, menu, instance, v);
    if (!window) {
        if (menu) ::DestroyMenu(menu);
        Forget(nullptr);  // the record made for it
        return nullptr;
    }
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::SetFocus(v->search);
    if (!path.empty()) StartReading(*v, path);
    return window;
}

void OpenViewerOfChosenFile(HWND main) {
    std::wstring path;
    if (ChooseOpenFile(main, PlatformFilter(kCommentFiles, 2), path)) OpenViewer(main, path);
}

void CloseAllViewers() {
    std::vector<HWND> windows;
    for (const auto& viewer : Viewers()) windows.push_back(viewer->window);
    for (HWND window : windows) ::DestroyWindow(window);
}

bool HandleViewerKeys(MSG& message) {
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
    HWND root = ::GetAncestor(message.hwnd, GA_ROOT);
    if (!root || !ViewerOf(root)) return false;
    static const HACCEL keys = ::LoadAcceleratorsW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_VIEWER));
    if (keys && ::TranslateAcceleratorW(root, keys, &message)) return true;
    return ::IsDialogMessageW(root, &message) != FALSE;
}
