#include "settings/ini_path.h"

namespace {

constexpr std::size_t kMarkerLength = sizeof kEscapedPathMarker / sizeof kEscapedPathMarker[0] - 1;
constexpr char kHexDigits[] = "0123456789ABCDEF";

bool StartsWithMarker(const std::wstring& text) { return text.compare(0, kMarkerLength, kEscapedPathMarker) == 0; }

// Tabs and line ends would break the file's line.
bool IsControl(wchar_t c) { return c < 0x20 || c == 0x7F; }

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

}  // namespace

std::wstring EscapeIniPath(const std::wstring& path, const std::function<bool(wchar_t)>& literal) {
    std::wstring out(kEscapedPathMarker);
    for (const wchar_t c : path) {
        if (!IsControl(c) && c != L'%' && literal(c)) {
            out += c;
            continue;
        }
        out += L"%u";
        for (int shift = 12; shift >= 0; shift -= 4) out += static_cast<wchar_t>(kHexDigits[(c >> shift) & 0xF]);
    }
    return out;
}

bool UnescapeIniPath(const std::wstring& stored, std::wstring& path) {
    if (!StartsWithMarker(stored)) return false;
    std::wstring out;
    for (std::size_t i = kMarkerLength; i < stored.size(); ++i) {
        if (stored[i] != L'%') {
            out += stored[i];
            continue;
        }
        if (stored.size() - i < 6 || stored[i + 1] != L'u') return false;
        unsigned long unit = 0;
        for (std::size_t k = i + 2; k < i + 6; ++k) {
            const int digit = HexValue(stored[k]);
            if (digit < 0) return false;
            unit = unit * 16 + static_cast<unsigned long>(digit);
        }
        out += static_cast<wchar_t>(unit);
        i += 5;
    }
    path = std::move(out);
    return true;
}

bool NeedsEscaping(const std::wstring& value) {
    if (StartsWithMarker(value)) return true;
    for (const wchar_t c : value) {
        if (IsControl(c)) return true;
    }
    return false;
}
