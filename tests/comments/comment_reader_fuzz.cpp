// libFuzzer target: any bytes as a comment file. The reader either refuses
// them or hands out elements that keep its promises (XML names, each once;
// clean UTF-8; bounded text; numbers that never wrap; every control character
// counted), and the checking pass over the same bytes as a file agrees with
// the stream: the same chats and control characters counted, the same error.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "fuzz_check.h"

namespace {

// The bytes again as a file, for the checking pass (fuzz.sh points TMPDIR
// into the build folder and empties it).
const std::string& ScratchFile() {
    static const std::string path = [] {
        const char* folder = std::getenv("TMPDIR");
        return std::string(folder && *folder ? folder : "/tmp") + "/kometori-reader-fuzz-" + std::to_string(getpid()) +
               ".xml";
    }();
    return path;
}

// A value read as a number is the number its digits say, or none when they
// say one beyond the range: never another.
void CheckNumber(const ChatElement& element, const std::string& name, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t end = i;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    while (i + 1 < end && text[i] == '0') ++i;
    const std::string digits(text.substr(i, end - i));
    const std::string limit = negative ? "9223372036854775808" : "9223372036854775807";
    const bool fits =
        !digits.empty() && (digits.size() < limit.size() || (digits.size() == limit.size() && digits <= limit));
    long long value = 0;
    const bool found = element.FindInteger(name.c_str(), value);
    FUZZ_CHECK(found == fits, "a number is usable exactly when it fits");
    if (found) {
        const std::string sign = negative && digits != "0" ? "-" : "";
        FUZZ_CHECK(std::to_string(value) == sign + digits, "a number reads as itself");
    }
    FUZZ_CHECK(element.Integer(name.c_str()) == (found ? value : 0), "Integer is 0 for what FindInteger refuses");
}

// controls counts the control characters the element holds.
void CheckElement(const ChatElement& element, std::size_t& controls) {
    std::set<std::string_view> names;
    for (std::size_t i = 0; i < element.AttributeCount(); ++i) {
        const std::string_view name = element.AttributeName(i);
        FUZZ_CHECK(IsXmlName(name.data(), name.size()), "attribute names are XML names");
        FUZZ_CHECK(names.insert(name).second, "no attribute twice");
        FUZZ_CHECK(CleanText(std::string(element.AttributeValue(i)), &controls), "values are clean UTF-8");
        CheckNumber(element, std::string(name), element.AttributeValue(i));
    }
    FUZZ_CHECK(CleanText(element.TextUtf8(), &controls), "text is clean UTF-8");
    FUZZ_CHECK(element.TextUtf8().size() <= CommentReader::kLongestText, "text within its limit");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::size_t chats = 0, controls = 0;
    CommentReader reader;
    if (reader.OpenText(bytes)) {
        while (reader.Next()) {
            ++chats;
            CheckElement(reader.Chat(), controls);
        }
        if (reader.ThreadElement()) CheckElement(*reader.ThreadElement(), controls);
        if (reader.ViewCounter()) CheckElement(*reader.ViewCounter(), controls);
    }
    FUZZ_CHECK(reader.Failed() == !reader.Error().empty(), "a failure says why");
    FUZZ_CHECK(reader.Failed() || controls <= reader.ControlCharacters(), "every control character handed out counted");

    std::FILE* file = std::fopen(ScratchFile().c_str(), "wb");
    FUZZ_CHECK(file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fclose(file) == 0,
               "scratch file written");
    std::size_t counted = 0, controlsCounted = 0;
    std::string error;
    const std::string& scratch = ScratchFile();
    const bool checked =
        CommentReader::CheckFile(std::wstring(scratch.begin(), scratch.end()), counted, error, &controlsCounted);
    FUZZ_CHECK(checked == !reader.Failed(), "the checking pass accepts what the stream accepts");
    FUZZ_CHECK(error == reader.Error(), "the checking pass gives the stream's error");
    if (checked) {
        FUZZ_CHECK(counted == chats, "the checking pass counts the chats the stream hands out");
        FUZZ_CHECK(controlsCounted == reader.ControlCharacters(),
                   "the checking pass counts the same control characters");
    }
    return 0;
}
