#include "export/text_measure.h"

#include "support/codepage.h"

namespace {

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
    dc_.reset(::CreateCompatibleDC(nullptr));
    const std::wstring face = AnsiToWide(fontName);
    if (!dc_ || face.empty() || face.size() >= LF_FACESIZE) return;
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    face.copy(wanted.lfFaceName, face.size());
    // The system would quietly give another font for a name it does not have.
    bool found = false;
    ::EnumFontFamiliesExW(dc_.get(), &wanted, CountFamily, reinterpret_cast<LPARAM>(&found), 0);
    if (!found) return;
    wanted.lfHeight = kWidthReferenceSize;  // positive: the cell height, as subtitle renderers take a font size
    wanted.lfWeight = FW_NORMAL;
    wanted.lfQuality = ANTIALIASED_QUALITY;
    font_.reset(::CreateFontIndirectW(&wanted));
    if (font_) previous_ = ::SelectObject(dc_.get(), font_.get());
}

TextMeasure::~TextMeasure() {
    // The font leaves the device context before either is deleted.
    if (previous_) ::SelectObject(dc_.get(), previous_);
}

int TextMeasure::Advance(std::uint32_t code) {
    int& known = code < 0x10000 ? basic_[code] : supplementary_.emplace(code, -1).first->second;
    if (known >= 0) return known;
    wchar_t units[2] = {static_cast<wchar_t>(code), 0};
    int count = 1;
    if (code >= 0x10000) {
        units[0] = static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
        units[1] = static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        count = 2;
    }
    SIZE size{};
    if (font_ && ::GetTextExtentPoint32W(dc_.get(), units, count, &size)) {
        known = size.cx;
    } else {
        known = FullWidth(code) ? kWidthReferenceSize : kWidthReferenceSize / 2;
    }
    return known;
}
