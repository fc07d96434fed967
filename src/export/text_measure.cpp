#include "export/text_measure.h"

#include "support/codepage.h"

namespace {

// The size characters are measured at: large enough that rounding to whole
// pixels there does not show at a comment's size.
constexpr int kReferenceSize = 1024;
constexpr wchar_t kWordJoiner = 0x2060;

int CALLBACK CountFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FullWidth(unsigned c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x10000;
}

}  // namespace

TextMeasure::TextMeasure(const std::string& fontName) : basic_(0x10000, -1) {
    dc_ = ::CreateCompatibleDC(nullptr);
    const std::wstring face = AnsiToWide(fontName);
    if (!dc_ || face.empty() || face.size() >= LF_FACESIZE) return;
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    face.copy(wanted.lfFaceName, face.size());
    // The system would quietly give another font for a name it does not have.
    bool found = false;
    ::EnumFontFamiliesExW(dc_, &wanted, CountFamily, reinterpret_cast<LPARAM>(&found), 0);
    if (!found) return;
    wanted.lfHeight = kReferenceSize;  // positive: the cell height, as subtitle renderers take a font size
    wanted.lfWeight = FW_NORMAL;
    wanted.lfQuality = ANTIALIASED_QUALITY;
    font_.reset(::CreateFontIndirectW(&wanted));
    if (font_) previous_ = ::SelectObject(dc_, font_.get());
}

TextMeasure::~TextMeasure() {
    if (previous_) ::SelectObject(dc_, previous_);
    font_.reset();
    if (dc_) ::DeleteDC(dc_);
}

int TextMeasure::Advance(const wchar_t* character, int units) {
    const unsigned code = units == 2 ? 0x10000 + ((character[0] - 0xD800u) << 10) + (character[1] - 0xDC00u)
                                     : static_cast<unsigned>(character[0]);
    int* known = nullptr;
    if (units == 1) {
        known = &basic_[code];
    } else {
        auto it = supplementary_.emplace(code, -1).first;
        known = &it->second;
    }
    if (*known >= 0) return *known;
    int advance = 0;
    SIZE size{};
    if (font_ && ::GetTextExtentPoint32W(dc_, character, units, &size)) {
        advance = size.cx;
    } else {
        advance = FullWidth(code) ? kReferenceSize : kReferenceSize / 2;
    }
    *known = advance;
    return advance;
}

int TextMeasure::Width(const std::wstring& line, int fontSize) {
    long long total = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const wchar_t c = line[i];
        if (c == kWordJoiner) continue;
        const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < line.size() && line[i + 1] >= 0xDC00 &&
                          line[i + 1] <= 0xDFFF;
        total += Advance(&line[i], pair ? 2 : 1);
        if (pair) ++i;
    }
    return static_cast<int>((total * fontSize + kReferenceSize - 1) / kReferenceSize);
}
