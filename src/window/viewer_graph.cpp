#include "window/viewer_graph.h"

#include <windowsx.h>

#include <algorithm>
#include <commctrl.h>

#include "viewer/comment_cells.h"
#include "export/graph_drawing.h"
#include "support/gdi_handles.h"
#include "support/handles.h"

namespace {

const wchar_t kClassName[] = L"CKometoriGraph";

struct GraphControl {
    GraphView* view = nullptr;
    HFONT font = nullptr;  // the hint's
    HWND tip = nullptr;
    TTTOOLINFOW tool{};
    std::wstring tipText;  // lives as long as the tool shows it
    bool tracking = false;
    // The keyboard's own moment: steps go on from it while the selection is
    // the one it picked, so a step never sticks at a comment.
    long long cursor = -1, pickedSelection = -1;
};

GraphControl* Control(HWND graph) { return reinterpret_cast<GraphControl*>(::GetWindowLongPtrW(graph, GWLP_USERDATA)); }

bool HasTimeline(const GraphView& view) { return view.figures && view.peaks && view.figures->Seconds() > 0; }

GraphLayout Measure(HWND graph, const GraphView& view) {
    RECT area{};
    ::GetClientRect(graph, &area);
    WindowDc dc(graph);
    return MeasureCommentGraph(dc.get(), area, *view.figures, *view.peaks);
}

void Pick(GraphControl& control, long long moment) {
    control.cursor = moment;
    if (control.view->pick) control.view->pick(moment);
    control.pickedSelection = control.view->selected;
}

void Paint(HWND graph, const GraphControl& control) {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(graph, &paint);
    RECT area{};
    ::GetClientRect(graph, &area);
    const int width = area.right, height = area.bottom;
    MemoryDc memory(::CreateCompatibleDC(dc));
    BitmapHandle bitmap(::CreateCompatibleBitmap(dc, std::max(1, width), std::max(1, height)));
    if (memory && bitmap) {
        SelectedObject selected(memory.get(), bitmap.get());
        const GraphView& view = *control.view;
        if (HasTimeline(view)) {
            GraphMarks marks;
            marks.subset = view.subset;
            marks.selected = view.selected;
            DrawCommentGraph(memory.get(), area, *view.figures, *view.peaks, marks);
        } else {
            ::FillRect(memory.get(), &area, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
            SelectedObject font(memory.get(), control.font);
            ::SetBkMode(memory.get(), TRANSPARENT);
            ::SetTextColor(memory.get(), ::GetSysColor(COLOR_GRAYTEXT));
            RECT text = area;
            ::DrawTextW(memory.get(), view.hint.c_str(), static_cast<int>(view.hint.size()), &text,
                        DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        if (::GetFocus() == graph) {
            RECT focus = area;
            ::InflateRect(&focus, -1, -1);
            ::DrawFocusRect(memory.get(), &focus);
        }
        ::BitBlt(dc, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
    }
    ::EndPaint(graph, &paint);
}

void HideTip(GraphControl& control) {
    if (control.tip) ::SendMessageW(control.tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&control.tool));
    control.tracking = false;
}

void ShowTip(HWND graph, GraphControl& control, int x, int y) {
    const GraphView& view = *control.view;
    if (!control.tip || !HasTimeline(view)) return;
    const GraphLayout layout = Measure(graph, view);
    if (x < layout.plot.left || x >= layout.plot.right) {
        HideTip(control);
        return;
    }
    const std::size_t second = static_cast<std::size_t>(MomentAtX(layout, x) / 100);
    const std::uint32_t count = second < view.figures->onScreen.size() ? view.figures->onScreen[second] : 0;
    std::uint32_t found = 0;
    if (view.subset && second < view.subset->size()) found = (*view.subset)[second];
    const std::wstring text = GraphTipText(second, count, view.subset ? &found : nullptr);
    if (text != control.tipText || !control.tracking) {
        control.tipText = text;
        control.tool.lpszText = control.tipText.data();
        ::SendMessageW(control.tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&control.tool));
    }
    POINT at{x, y};
    ::ClientToScreen(graph, &at);
    const int offset = ::GetSystemMetrics(SM_CYCURSOR) / 2 + 4;
    ::SendMessageW(control.tip, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x + offset, at.y + offset));
    if (!control.tracking) {
        ::SendMessageW(control.tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&control.tool));
        TRACKMOUSEEVENT leave{sizeof leave, TME_LEAVE, graph, 0};
        ::TrackMouseEvent(&leave);
        control.tracking = true;
    }
}

void OnClick(HWND graph, GraphControl& control, int x) {
    ::SetFocus(graph);
    if (HasTimeline(*control.view)) Pick(control, MomentAtX(Measure(graph, *control.view), x));
}

// Left and Right step by a hundredth of the timeline (a second at least),
// Home and End go to its ends.
bool OnKey(GraphControl& control, WPARAM key) {
    const GraphView& view = *control.view;
    if (!HasTimeline(view)) return false;
    const long long end = static_cast<long long>(view.figures->Seconds()) * 100 - 1;
    const long long step = std::max<long long>(100, end / 100);
    long long from = control.cursor >= 0 && view.selected == control.pickedSelection ? control.cursor : view.selected;
    from = std::max(0LL, from);
    switch (key) {
        case VK_LEFT: Pick(control, std::max(0LL, from - step)); return true;
        case VK_RIGHT: Pick(control, std::min(end, from + step)); return true;
        case VK_HOME: Pick(control, 0); return true;
        case VK_END: Pick(control, end); return true;
        default: return false;
    }
}

void Create(HWND graph, GraphView* view) {
    auto* control = new GraphControl;
    control->view = view;
    ::SetWindowLongPtrW(graph, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    control->tip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, graph, nullptr,
                                     ::GetModuleHandleW(nullptr), nullptr);
    control->tool.cbSize = TTTOOLINFOW_V2_SIZE;
    control->tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    control->tool.hwnd = graph;
    control->tool.lpszText = control->tipText.data();
    if (control->tip) ::SendMessageW(control->tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&control->tool));
}

LRESULT CALLBACK GraphProc(HWND graph, UINT message, WPARAM wParam, LPARAM lParam) {
    GraphControl* control = Control(graph);
    if (!control) {
        if (message == WM_NCCREATE) {
            Create(graph, static_cast<GraphView*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        }
        return ::DefWindowProcW(graph, message, wParam, lParam);
    }
    switch (message) {
        case WM_PAINT: Paint(graph, *control); return 0;
        case WM_ERASEBKGND: return 1;  // painted whole, through a bitmap
        case WM_SIZE: ::InvalidateRect(graph, nullptr, FALSE); return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS: ::InvalidateRect(graph, nullptr, FALSE); return 0;
        case WM_GETDLGCODE: return DLGC_WANTARROWS;
        case WM_SETFONT: control->font = reinterpret_cast<HFONT>(wParam); return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(control->font);
        case WM_KEYDOWN:
            if (OnKey(*control, wParam)) return 0;
            break;
        case WM_LBUTTONDOWN: OnClick(graph, *control, GET_X_LPARAM(lParam)); return 0;
        case WM_MOUSEMOVE: ShowTip(graph, *control, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_MOUSELEAVE: HideTip(*control); return 0;
        case WM_NCDESTROY:
            if (control->tip) ::DestroyWindow(control->tip);
            ::SetWindowLongPtrW(graph, GWLP_USERDATA, 0);
            delete control;
            break;
    }
    return ::DefWindowProcW(graph, message, wParam, lParam);
}

}  // namespace

HWND CreateGraphControl(HWND parent, int id, GraphView* view) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = GraphProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_HAND);
    wc.lpszClassName = kClassName;
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    return ::CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, view);
}

void RedrawGraph(HWND graph) { ::InvalidateRect(graph, nullptr, FALSE); }

HWND GraphTip(HWND graph) {
    const GraphControl* control = Control(graph);
    return control ? control->tip : nullptr;
}
