// The merge as streams: one comment per input in hand, the smallest key
// written next; where the number identifies the comment the newest file's
// version, where it does not every different comment.
#include "comments/merge_stream.h"

#include "comments/comment_identity.h"

#include <algorithm>
#include <climits>
#include <queue>

namespace {

// Comments are ordered by number, then by thread (which differs only when
// files of several threads are forced together). A chat without a number
// stays after the one it follows in its file.
struct Key {
    long long no = 0;
    std::string thread;
    bool numbered = true;
};

bool operator<(const Key& a, const Key& b) {
    if (a.no != b.no) return a.no < b.no;
    if (a.thread.size() != b.thread.size()) return a.thread.size() < b.thread.size();  // numbers: shorter is smaller
    if (a.thread != b.thread) return a.thread < b.thread;
    return a.numbered && !b.numbered;
}
bool operator==(const Key& a, const Key& b) { return a.no == b.no && a.thread == b.thread && a.numbered == b.numbered; }

std::string Value(const ChatElement& element, const char* name) {
    std::string_view value;
    return element.FindAttribute(name, value) ? std::string(value) : std::string();
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

void AppendReference(std::string& out, char c) { out += "&#" + std::to_string(static_cast<int>(c)) + ";"; }

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
    // Text of white space alone would be dropped as the gap between two tags.
    if (!attribute && !text.empty() && std::all_of(text.begin(), text.end(), IsBlank)) {
        for (char c : text) AppendReference(out, c);
        return;
    }
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += attribute ? "&quot;" : "\""; break;
            case '\n':
            case '\t':
                // A value reads back its literal tabs and line feeds as spaces.
                if (attribute) {
                    AppendReference(out, c);
                } else {
                    out += c;
                }
                break;
            default:
                // Control characters only as references (a line end would read back as LF).
                if (static_cast<unsigned char>(c) < 0x20) {
                    AppendReference(out, c);
                } else {
                    out += c;
                }
        }
    }
}

// False when the start tag would be longer than the reader takes.
bool AppendElement(std::string& out, const char* name, const ChatElement& element) {
    const std::size_t at = out.size();
    out += '<';
    out += name;
    for (std::size_t i = 0; i < element.AttributeCount(); ++i) {
        out += ' ';
        out += element.AttributeName(i);
        out += "=\"";
        AppendEscaped(out, element.AttributeValue(i), true);
        out += '"';
    }
    if (out.size() - at + 2 > CommentReader::kLongestTag) return false;
    if (element.TextUtf8().empty()) {
        out += "/>\r\n";
        return true;
    }
    out += '>';
    AppendEscaped(out, element.TextUtf8(), false);
    out += "</";
    out += name;
    out += ">\r\n";
    return true;
}

// One input: the comment in hand (head) and, read ahead, the next one that
// is not a copy of it, which tells whether another comment shares the number.
struct Input {
    MergeInput* source = nullptr;
    std::size_t index = 0;
    std::size_t age = 0;  // 0 for the newest
    long long serverTime = 0;
    std::string thread;        // empty when the file does not say
    bool threadFirst = false;  // the thread element came before the first comment
    bool started = false;
    ChatElement head;
    Key key;
    bool has = false;  // head holds a comment
    Key nextKey;
    bool hasNext = false;  // the reader holds the next comment
};

bool Newer(const Input& a, const Input& b, bool byServerTime) {
    if (byServerTime && a.serverTime != b.serverTime) return a.serverTime > b.serverTime;
    return a.index > b.index;
}

class Merge {
public:
    Merge(const MergeOptions& options, MergeOutput& out, const std::function<void(const std::string&)>& log)
        : options_(options), out_(out), log_(log) {}

    MergeResult Run(std::vector<std::unique_ptr<MergeInput>>& sources);

private:
    bool Refuse(MergeOutcome outcome, const std::string& line) {
        log_(line);
        result_.outcome = outcome;
        return false;
    }
    bool Start(std::vector<std::unique_ptr<MergeInput>>& sources);
    bool ReadNext(Input& input);
    bool Advance(Input& input);
    bool Identified(std::vector<Input*>& same, std::string& text);
    bool Unidentified(std::vector<Input*>& same, std::string& text);
    bool Comments(std::string& text);
    bool Element(std::string& text, const char* name, const ChatElement& element, const Input* from);
    bool Flush(std::string& text);

    const MergeOptions& options_;
    MergeOutput& out_;
    const std::function<void(const std::string&)>& log_;
    MergeResult result_;
    std::vector<Input> inputs_;
    std::vector<const Input*> byAge_;   // newest first
    std::vector<CommentPrint> prints_;  // of the comments written under the current key
    std::string thread_;                // of comments whose file does not say: the first file's that does
};

// Reads the input's next chat into the reader and its key into nextKey;
// false when the file is malformed, out of order or cannot be merged (logged).
bool Merge::ReadNext(Input& input) {
    CommentReader& reader = input.source->reader;
    const std::string& path = input.source->name;
    const Key previous = input.hasNext ? input.nextKey : Key{};
    const bool first = !input.hasNext;
    input.hasNext = false;
    // The newest file and the thread were decided by the elements before the
    // first comment: one that comes later cannot be taken into account.
    auto threadLate = [&] {
        if (!input.started || input.threadFirst || !reader.ThreadElement()) return false;
        return !Refuse(MergeOutcome::Unmergeable, "◆thread 要素がコメントの後にあるため結合できません: " + path);
    };
    if (reader.Next()) {
        ++result_.read;
        if (threadLate()) return false;
        Key key;
        std::string_view no;
        if (!reader.Chat().FindAttribute("no", no)) {
            key.numbered = false;
            key.no = first ? LLONG_MIN : previous.no;
        } else if (!reader.Chat().FindInteger("no", key.no)) {
            return Refuse(MergeOutcome::Unmergeable, "◆番号 (no) の読めないコメントがあるため結合できません: " + path +
                                                         " (no=\"" + std::string(no) + "\")");
        }
        key.thread = Value(reader.Chat(), "thread");
        if (key.thread.empty() && reader.ThreadElement()) key.thread = Value(*reader.ThreadElement(), "thread");
        if (key.thread.empty()) key.thread = thread_;
        if (!first && key < previous) {
            return Refuse(MergeOutcome::NotInOrder, "◆コメントが番号順に並んでいないため結合できません: " + path +
                                                        " (no " + std::to_string(previous.no) + " の後に no " +
                                                        std::to_string(key.no) + ")");
        }
        input.nextKey = std::move(key);
        input.hasNext = true;
    }
    if (reader.Failed()) return Refuse(MergeOutcome::Unreadable, UnreadableCommentFileLine(path, reader.Error()));
    return !threadLate();
}

// Moves the comment read ahead into head and reads on past its copies.
bool Merge::Advance(Input& input) {
    input.has = input.hasNext;
    if (!input.has) return true;
    input.head = input.source->reader.Chat();
    input.key = input.nextKey;
    while (true) {
        if (!ReadNext(input)) return false;
        if (!input.hasNext || !(input.nextKey == input.key) || !SameComment(input.source->reader.Chat(), input.head)) {
            return true;
        }
        ++result_.identical;  // the same comment twice in one file
    }
}

bool Merge::Element(std::string& text, const char* name, const ChatElement& element, const Input* from) {
    if (!AppendElement(text, name, element)) {
        std::string line = "◆属性が長すぎて書き出せない要素があるため結合できません";
        if (from) line += ": " + from->source->name + " (no " + std::to_string(from->key.no) + ")";
        return Refuse(MergeOutcome::Unmergeable, line);
    }
    out_.Element(name, element);
    return true;
}

bool Merge::Flush(std::string& text) {
    if (!out_.Write(text)) {
        result_.outcome = MergeOutcome::WriteFailed;
        return false;
    }
    text.clear();
    return true;
}

// Each input moved to its first comment; false when one fails or the files
// are of different threads.
bool Merge::Start(std::vector<std::unique_ptr<MergeInput>>& sources) {
    inputs_.resize(sources.size());
    for (std::size_t i = 0; i < sources.size(); ++i) {
        Input& input = inputs_[i];
        input.source = sources[i].get();
        input.index = i;
        // The thread element stands before the first comment.
        if (!ReadNext(input)) return false;
        input.started = true;
        if (const ChatElement* thread = input.source->reader.ThreadElement()) {
            input.threadFirst = true;
            input.serverTime = thread->Integer("server_time");
            input.thread = Value(*thread, "thread");
        }
        if (input.thread.empty() && input.hasNext) input.thread = input.nextKey.thread;
        if (thread_.empty()) thread_ = input.thread;
    }
    for (Input& input : inputs_) {
        if (input.hasNext && input.nextKey.thread.empty()) input.nextKey.thread = thread_;
        if (!Advance(input)) return false;
    }
    // Against the first file that names its thread: one that does not names none.
    const Input& first =
        *std::find_if(inputs_.begin(), inputs_.end() - 1, [](const Input& input) { return !input.thread.empty(); });
    for (const Input& input : inputs_) {
        if (options_.force || input.thread.empty() || first.thread.empty() || input.thread == first.thread) continue;
        log_("◆スレッドの異なるファイルは結合できません: " + first.source->name + " (thread " + first.thread + "), " +
             input.source->name + " (thread " + input.thread + ")");
        return Refuse(MergeOutcome::DifferentThreads,
                      "■同じスレッドのファイルだけを指定するか、--force を付けて下さい");
    }
    // Newest first, for the choice between versions and for the elements kept.
    for (const Input& input : inputs_) byAge_.push_back(&input);
    std::stable_sort(byAge_.begin(), byAge_.end(),
                     [&](const Input* a, const Input* b) { return Newer(*a, *b, options_.newestByServerTime); });
    for (std::size_t age = 0; age < byAge_.size(); ++age) inputs_[byAge_[age]->index].age = age;
    return true;
}

// A number that identifies its comment: one version kept, the newest file's.
bool Merge::Identified(std::vector<Input*>& same, std::string& text) {
    const Input* newest = *std::min_element(same.begin(), same.end(), [&](const Input* a, const Input* b) {
        if (options_.firstWins && (a->index == 0) != (b->index == 0)) return a->index == 0;
        return a->age < b->age;
    });
    bool differ = false;
    for (const Input* input : same) {
        if (input == newest) continue;
        if (SameComment(input->head, newest->head)) {
            ++result_.identical;
        } else {
            ++result_.replaced;
            differ = true;
        }
    }
    if (differ) ++result_.differing;
    if (!Element(text, "chat", newest->head, newest)) return false;
    ++result_.written;
    if (newest->index == 0) ++result_.fromFirst;
    for (Input* input : same) {
        if (!Advance(*input)) return false;
    }
    return true;
}

// A number that tells nothing: every different comment under it kept, the
// oldest file's first.
bool Merge::Unidentified(std::vector<Input*>& same, std::string& text) {
    std::sort(same.begin(), same.end(), [](const Input* a, const Input* b) { return a->age > b->age; });
    const Key key = same.front()->key;
    prints_.clear();
    for (Input* input : same) {
        while (input->has && input->key == key) {
            const CommentPrint print = PrintOf(input->head);
            if (std::find(prints_.begin(), prints_.end(), print) != prints_.end()) {
                ++result_.identical;
            } else {
                prints_.push_back(print);
                if (!Element(text, "chat", input->head, input)) return false;
                ++result_.written;
                ++result_.unnumbered;
                if (input->index == 0) ++result_.fromFirst;
            }
            if (!Advance(*input)) return false;
            if (text.size() >= 64 * 1024 && !Flush(text)) return false;
        }
    }
    return true;
}

// Every comment once, in the order of their keys, written a block at a time.
bool Merge::Comments(std::string& text) {
    auto later = [](const Input* a, const Input* b) { return b->key < a->key; };
    std::priority_queue<Input*, std::vector<Input*>, decltype(later)> queue(later);
    for (Input& input : inputs_) {
        if (input.has) queue.push(&input);
    }
    std::vector<Input*> same;
    while (!queue.empty()) {
        same.clear();
        const Key key = queue.top()->key;
        bool shared = false;
        while (!queue.empty() && queue.top()->key == key) {
            Input* input = queue.top();
            shared = shared || (input->hasNext && input->nextKey == key);
            same.push_back(input);
            queue.pop();
        }
        if (!(key.numbered && NumberIdentifies(key.no, shared) ? Identified(same, text) : Unidentified(same, text))) {
            return false;
        }
        for (Input* input : same) {
            if (input->has) queue.push(input);
        }
        if (text.size() >= 64 * 1024) {
            if (!Flush(text)) return false;
            if (options_.stop && *options_.stop) {
                result_.outcome = MergeOutcome::Stopped;
                return false;
            }
        }
    }
    return true;
}

MergeResult Merge::Run(std::vector<std::unique_ptr<MergeInput>>& sources) {
    if (!Start(sources)) return result_;
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<packet>\r\n";
    for (const Input* input : byAge_) {
        if (const ChatElement* thread = input->source->reader.ThreadElement()) {
            if (!Element(text, "thread", *thread, nullptr)) return result_;
            break;
        }
    }
    if (!Comments(text)) return result_;
    if (result_.written == 0) {
        Refuse(MergeOutcome::NoComments, "コメントが見つかりませんでした");
        return result_;
    }
    ChatElement counter;
    counter.AddAttribute("video", "0");
    for (const Input* input : byAge_) {
        if (const ChatElement* found = input->source->reader.ViewCounter()) {
            counter = *found;
            break;
        }
    }
    if (!Element(text, "view_counter", counter, nullptr)) return result_;
    text += "</packet>\r\n";
    if (Flush(text)) result_.outcome = MergeOutcome::Saved;
    return result_;
}

}  // namespace

MergeResult MergeStreams(std::vector<std::unique_ptr<MergeInput>>& inputs, const MergeOptions& options,
                         MergeOutput& out, const std::function<void(const std::string&)>& log) {
    MergeResult result = Merge(options, out, log).Run(inputs);
    for (auto& input : inputs) input->reader.Close();  // the output may replace one of them
    return result;
}
