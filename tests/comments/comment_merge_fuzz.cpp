// libFuzzer target: the merge's round trip. The input is up to four comment
// files joined by kSeparator, after one byte of options. Whatever the merge
// saves, the reader reads back as exactly the elements it meant to write (the
// thread element, every chat with its attributes in order and its text, the
// view_counter), nothing more; otherwise it must not report it saved. And
// nothing is lost: each chat of the inputs is in the output, or another
// version under its number (of 1 or above) is; no numbered comment is there
// twice. Merged the other way round, the same numbers are kept.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "comments/comment_identity.h"
#include "comments/merge_stream.h"
#include "fuzz_check.h"

namespace {

const std::string kSeparator = "\n<<<MERGE>>>\n";

struct Written {
    std::string name;
    ChatElement element;
};

class Recorder : public MergeOutput {
public:
    bool Write(const std::string& bytes) override {
        document += bytes;
        return true;
    }
    void Element(const char* name, const ChatElement& element) override { elements.push_back({name, element}); }

    std::string document;
    std::vector<Written> elements;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    MergeOptions options;
    options.force = data[0] & 1;
    options.newestByServerTime = (data[0] & 2) == 0;
    options.firstWins = (data[0] & 4) != 0;  // as a reply goes into an archive
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);

    std::vector<std::unique_ptr<MergeInput>> inputs;
    std::vector<std::string> texts;
    for (std::size_t at = 0; inputs.size() < 4;) {
        const std::size_t next = rest.find(kSeparator, at);
        auto input = std::make_unique<MergeInput>();
        input->name = "input" + std::to_string(inputs.size());
        texts.push_back(rest.substr(at, next == std::string::npos ? std::string::npos : next - at));
        if (!input->reader.OpenText(texts.back())) {
            return 0;  // refused before the merge begins
        }
        inputs.push_back(std::move(input));
        if (next == std::string::npos) break;
        at = next + kSeparator.size();
    }
    Recorder out;
    const MergeResult result = MergeStreams(inputs, options, out, [](const std::string&) {});
    if (result.outcome != MergeOutcome::Saved) return 0;

    CommentReader back;
    FUZZ_CHECK(back.OpenText(out.document), "the merged document opens");
    std::size_t next = 0;
    std::size_t chats = 0;
    if (next < out.elements.size() && out.elements[next].name == "thread") ++next;
    while (back.Next()) {
        ++chats;
        FUZZ_CHECK(next < out.elements.size() && out.elements[next].name == "chat", "no chat more than written");
        FUZZ_CHECK(SameElement(back.Chat(), out.elements[next].element), "each chat reads back as written");
        ++next;
    }
    FUZZ_CHECK(!back.Failed(), "the merged document reads to its end");
    FUZZ_CHECK(chats == result.written, "as many chats as the merge counted");
    if (out.elements.front().name == "thread") {
        FUZZ_CHECK(back.ThreadElement() && SameElement(*back.ThreadElement(), out.elements.front().element),
                   "the thread element reads back as written");
    } else {
        FUZZ_CHECK(!back.ThreadElement(), "no thread element unless written");
    }
    FUZZ_CHECK(next + 1 == out.elements.size() && out.elements[next].name == "view_counter", "one view_counter, last");
    FUZZ_CHECK(back.ViewCounter() && SameElement(*back.ViewCounter(), out.elements[next].element),
               "the view_counter reads back as written");

    // A chat without a number is one with its copies where it follows the
    // same number in each file (it has no other place).
    std::vector<const ChatElement*> saved;
    for (const Written& element : out.elements) {
        if (element.name != "chat") continue;
        std::string_view no;
        if (element.element.FindAttribute("no", no)) {
            for (const ChatElement* other : saved)
                FUZZ_CHECK(!SameComment(*other, element.element), "no comment twice");
        }
        saved.push_back(&element.element);
    }
    for (const std::string& text : texts) {
        CommentReader input;
        FUZZ_CHECK(input.OpenText(text), "an input opens again");
        while (input.Next()) {
            bool kept = false;
            long long no = 0;
            const bool numbered = input.Chat().FindInteger("no", no) && no >= 1;
            for (const ChatElement* chat : saved) {
                kept = kept || SameComment(*chat, input.Chat()) || (numbered && chat->Integer("no") == no);
            }
            FUZZ_CHECK(kept, "every comment of the inputs is kept, or another version under its number");
        }
    }
    FUZZ_CHECK(result.read == result.written + result.identical + result.replaced, "each comment read is counted once");

    // The union whatever the order: the inputs the other way round keep the
    // same comments under the same numbers (versions may differ).
    if (options.force || texts.size() < 2) return 0;
    std::vector<std::unique_ptr<MergeInput>> reversed;
    for (auto text = texts.rbegin(); text != texts.rend(); ++text) {
        reversed.push_back(std::make_unique<MergeInput>());
        FUZZ_CHECK(reversed.back()->reader.OpenText(*text), "an input opens again");
    }
    Recorder other;
    const MergeResult again = MergeStreams(reversed, options, other, [](const std::string&) {});
    FUZZ_CHECK(again.outcome == MergeOutcome::Saved, "merged the other way round too");
    FUZZ_CHECK(again.written == result.written, "as many comments the other way round");
    auto numbers = [](const Recorder& recorder) {
        std::vector<long long> all;  // a version may write its number otherwise ("06")
        for (const Written& element : recorder.elements) {
            long long no = LLONG_MIN;
            if (element.name == "chat") all.push_back(element.element.FindInteger("no", no) ? no : LLONG_MIN);
        }
        std::sort(all.begin(), all.end());
        return all;
    };
    FUZZ_CHECK(numbers(other) == numbers(out), "the same numbers the other way round");
    return 0;
}
