// The merge as streams: one comment per input in hand, the smallest key
// written next, the newest file's version where they differ.
#include "comments/merge_stream.h"

#include <algorithm>
#include <queue>

namespace {

// Comments are told apart by number, then by thread (which differs only
// when files of several threads are forced together).
struct Key {
    long long no = 0;
    std::string thread;
};

bool operator<(const Key& a, const Key& b) {
    if (a.no != b.no) return a.no < b.no;
    if (a.thread.size() != b.thread.size()) return a.thread.size() < b.thread.size();  // numbers: shorter is smaller
    return a.thread < b.thread;
}
bool operator==(const Key& a, const Key& b) { return a.no == b.no && a.thread == b.thread; }

std::string Value(const ChatElement& element, const char* name) {
    std::string_view value;
    return element.FindAttribute(name, value) ? std::string(value) : std::string();
}

// Same text and the same attributes, in whatever order they stand.
bool SameComment(const ChatElement& a, const ChatElement& b) {
    if (a.TextUtf8() != b.TextUtf8() || a.AttributeCount() != b.AttributeCount()) return false;
    for (std::size_t i = 0; i < a.AttributeCount(); ++i) {
        const std::string name(a.AttributeName(i));
        std::string_view other;
        if (!b.FindAttribute(name.c_str(), other) || other != a.AttributeValue(i)) return false;
    }
    return true;
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

struct Input {
    MergeInput* source = nullptr;
    std::size_t index = 0;
    long long serverTime = 0;
    std::string thread;  // empty when the file does not say
    bool threadFirst = false;  // the thread element came before the first comment
    bool started = false;
    Key key;
    bool has = false;  // the reader holds a comment
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
    bool Advance(Input& input);
    bool Comments(std::string& text);
    bool Element(std::string& text, const char* name, const ChatElement& element, const Input* from);
    bool Flush(std::string& text);

    const MergeOptions& options_;
    MergeOutput& out_;
    const std::function<void(const std::string&)>& log_;
    MergeResult result_;
    std::vector<Input> inputs_;
    std::vector<const Input*> byAge_;  // newest first
};

// Moves the input to its next comment with a new number; false when the file
// is malformed, out of order or cannot be merged (logged).
bool Merge::Advance(Input& input) {
    CommentReader& reader = input.source->reader;
    const std::string& path = input.source->name;
    const Key previous = input.key;
    const bool first = !input.has;
    input.has = false;
    // The newest file and the thread were decided by the elements before the
    // first comment: one that comes later cannot be taken into account.
    auto threadLate = [&] {
        if (!input.started || input.threadFirst || !reader.ThreadElement()) return false;
        return !Refuse(MergeOutcome::Unmergeable, "◆thread 要素がコメントの後にあるため結合できません: " + path);
    };
    while (reader.Next()) {
        ++result_.read;
        if (threadLate()) return false;
        Key key;
        if (!reader.Chat().FindInteger("no", key.no)) {
            std::string_view no;
            const bool given = reader.Chat().FindAttribute("no", no);
            return Refuse(MergeOutcome::Unmergeable, "◆番号 (no) の読めないコメントがあるため結合できません: " + path +
                                                         (given ? " (no=\"" + std::string(no) + "\")" : " (no なし)"));
        }
        key.thread = Value(reader.Chat(), "thread");
        if (key.thread.empty() && reader.ThreadElement()) key.thread = Value(*reader.ThreadElement(), "thread");
        if (!first && key == previous) continue;  // the same comment twice in one file: the first stands
        if (!first && key < previous) {
            return Refuse(MergeOutcome::NotInOrder, "◆コメントが番号順に並んでいないため結合できません: " + path + " (no " +
                                                        std::to_string(previous.no) + " の後に no " +
                                                        std::to_string(key.no) + ")");
        }
        input.key = std::move(key);
        input.has = true;
        break;
    }
    if (reader.Failed()) return Refuse(MergeOutcome::Unreadable, UnreadableCommentFileLine(path, reader.Error()));
    return !threadLate();
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
        if (!Advance(input)) return false;
        input.started = true;
        if (const ChatElement* thread = input.source->reader.ThreadElement()) {
            input.threadFirst = true;
            input.serverTime = thread->Integer("server_time");
            input.thread = Value(*thread, "thread");
        }
        if (input.thread.empty() && input.has) input.thread = input.key.thread;
    }
    const Input& first = inputs_.front();
    for (const Input& input : inputs_) {
        if (options_.force || input.thread.empty() || first.thread.empty() || input.thread == first.thread) continue;
        log_("◆スレッドの異なるファイルは結合できません: " + first.source->name + " (thread " + first.thread + "), " +
             input.source->name + " (thread " + input.thread + ")");
        return Refuse(MergeOutcome::DifferentThreads, "■同じスレッドのファイルだけを指定するか、--force を付けて下さい");
    }
    // Newest first, for the choice between versions and for the elements kept.
    for (const Input& input : inputs_) byAge_.push_back(&input);
    std::stable_sort(byAge_.begin(), byAge_.end(),
                     [&](const Input* a, const Input* b) { return Newer(*a, *b, options_.newestByServerTime); });
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
        while (!queue.empty() && queue.top()->key == key) {
            same.push_back(queue.top());
            queue.pop();
        }
        const Input* newest = *std::min_element(same.begin(), same.end(), [&](const Input* a, const Input* b) {
            return Newer(*a, *b, options_.newestByServerTime);
        });
        const ChatElement& kept = newest->source->reader.Chat();
        for (const Input* input : same) {
            if (!SameComment(input->source->reader.Chat(), kept)) {
                ++result_.differing;
                break;
            }
        }
        if (!Element(text, "chat", kept, newest)) return false;
        ++result_.written;
        for (Input* input : same) {
            if (!Advance(*input)) return false;
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
