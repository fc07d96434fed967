// libFuzzer target: a path kept in the INI file, and any value the file may
// hold, damaged or hostile. What is written reads back as the same path; a
// value read is either a path as it stands or an escaped form that reads back
// the same after writing it again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/ini_path.h"

namespace {

// The file's line must stay one line, and every "%" must open a whole escape.
bool WellFormed(const std::wstring& stored) {
    if (stored.compare(0, 7, kEscapedPathMarker) != 0) return false;
    for (std::size_t i = 7; i < stored.size(); ++i) {
        if (stored[i] < 0x20 || stored[i] == 0x7F) return false;
        if (stored[i] != L'%') continue;
        if (stored.size() - i < 6 || stored[i + 1] != L'u') return false;
        for (std::size_t k = i + 2; k < i + 6; ++k) {
            const wchar_t c = stored[k];
            if (!((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'))) return false;
        }
        i += 5;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte chooses which characters the code page "holds"; the rest
    // are UTF-16 units, as the file system names paths on every platform.
    const std::uint8_t mask = data[0];
    auto literal = [mask](wchar_t c) { return c < 0x80 || ((c * 2654435761u) >> 29 & mask) != 0; };
    std::wstring text;
    for (std::size_t i = 1; i + 1 < size; i += 2) text += static_cast<wchar_t>(data[i] | data[i + 1] << 8);

    // Written, then read.
    const std::wstring stored = EscapeIniPath(text, literal);
    std::wstring back;
    if (!WellFormed(stored) || !UnescapeIniPath(stored, back) || back != text) std::abort();
    // A value written as it is reads as itself.
    if (!NeedsEscaping(text) && UnescapeIniPath(text, back)) std::abort();

    // Read as the file holds it: either not escaped, or a path that keeps.
    std::wstring path;
    if (UnescapeIniPath(text, path)) {
        if (text.compare(0, 7, kEscapedPathMarker) != 0) std::abort();
        std::wstring again;
        if (!UnescapeIniPath(EscapeIniPath(path, literal), again) || again != path) std::abort();
    }
    return 0;
}
