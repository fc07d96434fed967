// libFuzzer target for the text export's line format (CTest fuzz_line_format,
// built natively by tests/tools/fuzz.sh).
// Input: the line format, then the comment's text, mail, name, no, thread and
// user_id, separated by zero bytes (UTF-8; what is not UTF-8 is cut off, as
// the reader never hands it out; control characters stay), then premium's value.
// Property: when the line is built from the format's pieces, it is the line
// that replacing the placeholders one step after another gives.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "export/line_format.h"
#include "fuzz_check.h"

namespace {

// Every occurrence from the left, each search resuming after the insertion.
void ReplaceAll(std::wstring& line, const std::wstring& what, const std::wstring& with) {
    for (std::size_t at = line.find(what); at != std::wstring::npos; at = line.find(what, at + with.size())) {
        line.replace(at, what.size(), with);
    }
}

// The steps as the format's users know them: each placeholder in table order,
// then the premium block.
std::wstring ByStep(const std::wstring& format, const LineValues& values, bool premium) {
    std::wstring line = format;
    for (std::size_t i = 0; i < kLinePlaceholderCount; ++i) {
        std::wstring value;
        AppendPlaceholderValue(i, values, value);
        ReplaceAll(line, kLinePlaceholders[i], value);
    }
    const std::wstring open = L"%premium=";
    const std::size_t at = line.find(open);
    if (at != std::wstring::npos) {
        const std::size_t close = line.find(L'%', at + open.size());
        const std::wstring block =
            close == std::wstring::npos ? std::wstring() : line.substr(at + open.size(), close - at - open.size());
        ReplaceAll(line, open + block + L"%", premium ? block : std::wstring());
    }
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::wstring format;
    AppendUtf16Units(NextTextPart(input), format);
    ChatElement chat;
    chat.SetText(NextTextPart(input));
    for (const char* name : {"mail", "name", "no", "thread", "user_id"}) chat.AddAttribute(name, NextTextPart(input));
    const bool premium = NextTextPart(input) == "1";

    std::tm local{};
    local.tm_year = 110 + static_cast<int>(size % 50), local.tm_mon = static_cast<int>(size % 12);
    local.tm_mday = 1 + static_cast<int>(size % 28), local.tm_hour = static_cast<int>(size % 24);
    local.tm_min = static_cast<int>(size % 60), local.tm_sec = static_cast<int>(size * 7 % 60);
    const LineValues values{chat, local, VposParts(static_cast<std::uint32_t>(size * 2654435761u)), nullptr};
    std::wstring line;
    if (LineFormat(format).Build(values, line)) {
        FUZZ_CHECK(line == ByStep(format, values, premium), "the pieces give the line the steps give");
    }
    return 0;
}
