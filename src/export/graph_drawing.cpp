#include "export/graph_drawing.h"

#include <algorithm>

#include "export/graph_layout.h"
#include "support/gdi_handles.h"
#include "support/handles.h"

namespace {

constexpr COLORREF kGraphGrid = RGB(228, 228, 228);
constexpr COLORREF kGraphAxis = RGB(96, 96, 96);
constexpr COLORREF kGraphText = RGB(64, 64, 64);

// The labels' font: 9 points of the system's Japanese UI face.
FontHandle LabelFont(HDC dc) {
    LOGFONTW font{};
    font.lfHeight = -::MulDiv(9, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfQuality = ANTIALIASED_QUALITY;
    const wchar_t face[] = L"MS UI Gothic";
    std::copy(std::begin(face), std::end(face), font.lfFaceName);
    return FontHandle(::CreateFontIndirectW(&font));
}

class Painter {
public:
    explicit Painter(HDC dc) : dc_(dc) {}

    void Fill(int left, int top, int right, int bottom, COLORREF colour) {
        if (right <= left || bottom <= top) return;
        // ExtTextOut with an opaque rectangle fills without a brush to make and delete.
        ::SetBkColor(dc_, colour);
        const RECT rect{left, top, right, bottom};
        ::ExtTextOutW(dc_, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    }

    // One column a pixel wide for each count, up from the baseline.
    void Curve(const GraphLayout& layout, const std::vector<std::uint32_t>& perSecond, COLORREF colour) {
        const GraphRect& plot = layout.plot;
        const std::vector<std::uint32_t> columns = ColumnCounts(perSecond, layout.seconds, plot.Width());
        for (int c = 0; c < plot.Width(); ++c) {
            const int height = FillHeight(columns[c], layout.top, plot.Height());
            Fill(plot.left + c, plot.bottom - height, plot.left + c + 1, plot.bottom, colour);
        }
    }

    void Text(const GraphRect& box, const std::wstring& text, COLORREF colour, bool opaque) {
        ::SetTextColor(dc_, colour);
        ::SetBkColor(dc_, kGraphBackground);
        const RECT rect{box.left, box.top, box.right, box.bottom};
        ::ExtTextOutW(dc_, box.left, box.top, opaque ? ETO_OPAQUE : 0, &rect, text.c_str(),
                      static_cast<UINT>(text.size()), nullptr);
    }

    int TextWidth(const std::wstring& text) {
        SIZE size{};
        ::GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size);
        return size.cx;
    }

private:
    HDC dc_;
};

// The layout in the label font, which is selected into the context.
GraphLayout LayOutIn(HDC dc, const RECT& area, const GraphFigures& figures, const std::vector<GraphPeak>& peaks) {
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    Painter paint(dc);
    return LayOutGraph({area.left, area.top, area.right, area.bottom}, figures, peaks, metrics.tmHeight,
                       [&](const std::wstring& label) { return paint.TextWidth(label); });
}

}  // namespace

GraphLayout MeasureCommentGraph(HDC dc, const RECT& area, const GraphFigures& figures,
                                const std::vector<GraphPeak>& peaks) {
    FontHandle font = LabelFont(dc);
    SelectedObject selected(dc, font.get());
    return LayOutIn(dc, area, figures, peaks);
}

void DrawCommentGraph(HDC dc, const RECT& area, const GraphFigures& figures, const std::vector<GraphPeak>& peaks,
                      const GraphMarks& marks) {
    const int saved = ::SaveDC(dc);
    FontHandle font = LabelFont(dc);
    {
        SelectedObject selected(dc, font.get());
        Painter paint(dc);
        const GraphLayout layout = LayOutIn(dc, area, figures, peaks);
        const GraphRect& plot = layout.plot;

        paint.Fill(area.left, area.top, area.right, area.bottom, kGraphBackground);
        for (const GraphTick& tick : layout.ticks) paint.Fill(tick.x, plot.top, tick.x + 1, plot.bottom, kGraphGrid);
        paint.Curve(layout, figures.onScreen, kGraphFill);
        if (marks.subset) paint.Curve(layout, *marks.subset, kGraphSubset);
        paint.Fill(plot.left, plot.bottom, plot.right, plot.bottom + 1, kGraphAxis);
        for (const GraphTick& tick : layout.ticks) {
            paint.Fill(tick.x, plot.bottom + 1, tick.x + 1, plot.bottom + 4, kGraphAxis);
            if (!tick.label.empty()) paint.Text(tick.labelBox, tick.label, kGraphText, false);
        }
        for (const GraphPeakMark& mark : layout.peaks) {
            // A small triangle pointing down at the crest.
            for (int row = 0; row < 4; ++row) {
                paint.Fill(mark.x - 3 + row, mark.y - 5 + row, mark.x + 4 - row, mark.y - 4 + row, kGraphPeak);
            }
            if (mark.labelled) paint.Text(mark.labelBox, mark.label, kGraphPeak, true);
        }
        if (marks.selected >= 0 && layout.seconds > 0) {
            const int x = MomentX(layout, marks.selected);
            paint.Fill(x, plot.top, x + 1, plot.bottom + 1, kGraphSelected);
        }
    }
    ::RestoreDC(dc, saved);
}

bool RenderCommentGraph(int width, int height, const GraphFigures& figures, const std::vector<GraphPeak>& peaks,
                        const GraphMarks& marks, Picture& picture) {
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    MemoryDc dc(::CreateCompatibleDC(nullptr));
    BitmapHandle bitmap(::CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dc || !bitmap || !bits) return false;
    {
        SelectedObject selected(dc.get(), bitmap.get());
        DrawCommentGraph(dc.get(), RECT{0, 0, width, height}, figures, peaks, marks);
        ::GdiFlush();
    }
    picture.width = width;
    picture.height = height;
    const std::uint32_t* pixels = static_cast<const std::uint32_t*>(bits);
    picture.pixels.assign(pixels, pixels + static_cast<std::size_t>(width) * height);
    for (std::uint32_t& pixel : picture.pixels) pixel &= 0xFFFFFF;  // GDI leaves the fourth byte as it likes
    return true;
}
