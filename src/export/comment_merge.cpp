#include "export/comment_merge.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <queue>

#include "export/comment_reader.h"
#include "infolog/info_log.h"
#include "support/replacing_file.h"
#include "support/write_guard.h"

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

Key KeyOf(const ChatElement& chat) { return Key{chat.Integer("no"), Value(chat, "thread")}; }

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

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += attribute ? "&quot;" : "\""; break;
            case '\r': out += "&#13;"; break;  // a line end would read back as LF
            case '\n':
            case '\t':
                // A value reads back its literal tabs and line feeds as spaces.
                if (attribute) {
                    out += c == '\n' ? "&#10;" : "&#9;";
                } else {
                    out += c;
                }
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    out += "&#" + std::to_string(static_cast<int>(c)) + ";";
                } else {
                    out += c;
                }
        }
    }
}

void AppendElement(std::string& out, const char* name, const ChatElement& element) {
    out += '<';
    out += name;
    for (std::size_t i = 0; i < element.AttributeCount(); ++i) {
        out += ' ';
        out += element.AttributeName(i);
        out += "=\"";
        AppendEscaped(out, element.AttributeValue(i), true);
        out += '"';
    }
    if (element.TextUtf8().empty()) {
        out += "/>\r\n";
        return;
    }
    out += '>';
    AppendEscaped(out, element.TextUtf8(), false);
    out += "</";
    out += name;
    out += ">\r\n";
}

struct Input {
    std::string path;
    std::size_t index = 0;
    long long serverTime = 0;
    std::string thread;  // empty when the file does not say
    CommentReader reader;
    Key key;
    bool has = false;  // the reader holds a comment
};

bool Newer(const Input& a, const Input& b, bool byServerTime) {
    if (byServerTime && a.serverTime != b.serverTime) return a.serverTime > b.serverTime;
    return a.index > b.index;
}

bool Unreadable(const Input& input) {
    InfoLog << "◆コメントファイルを読み込めません: " << input.path << " (" << input.reader.Error() << ")" << EndLine;
    return false;
}

// Moves the input to its next comment with a new number; false when the file
// is malformed or out of order (logged).
bool Advance(Input& input, MergeResult& result) {
    const Key previous = input.key;
    const bool first = !input.has;
    while (input.reader.Next()) {
        ++result.read;
        Key key = KeyOf(input.reader.Chat());
        if (key.thread.empty() && input.reader.ThreadElement()) key.thread = Value(*input.reader.ThreadElement(), "thread");
        if (!first && key == previous) continue;  // the same comment twice in one file: the first stands
        if (!first && key < previous) {
            InfoLog << "◆コメントが番号順に並んでいないため結合できません: " << input.path << " (no " << previous.no
                    << " の後に no " << key.no << ")" << EndLine;
            result.outcome = MergeOutcome::NotInOrder;
            return false;
        }
        input.key = std::move(key);
        input.has = true;
        return true;
    }
    input.has = false;
    if (input.reader.Failed()) return Unreadable(input);
    return true;
}

}  // namespace

MergeResult MergeCommentFiles(const std::vector<std::string>& paths, const std::string& output,
                              const MergeOptions& options) {
    MergeResult result;
    std::vector<std::unique_ptr<Input>> inputs;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        auto input = std::make_unique<Input>();
        input->path = paths[i];
        input->index = i;
        if (!input->reader.Open(paths[i])) {
            Unreadable(*input);
            return result;
        }
        // The thread element stands before the first comment.
        if (!Advance(*input, result)) return result;
        if (const ChatElement* thread = input->reader.ThreadElement()) {
            input->serverTime = thread->Integer("server_time");
            input->thread = Value(*thread, "thread");
        }
        if (input->thread.empty() && input->has) input->thread = input->key.thread;
        inputs.push_back(std::move(input));
    }
    for (const auto& input : inputs) {
        const Input& first = *inputs.front();
        if (options.force || input->thread.empty() || first.thread.empty() || input->thread == first.thread) continue;
        InfoLog << "◆スレッドの異なるファイルは結合できません: " << first.path << " (thread " << first.thread << "), "
                << input->path << " (thread " << input->thread << ")" << EndLine;
        InfoLog << "■同じスレッドのファイルだけを指定するか、--force を付けて下さい" << EndLine;
        result.outcome = MergeOutcome::DifferentThreads;
        return result;
    }

    // Newest first, for the choice between versions and for the elements kept.
    std::vector<Input*> byAge;
    for (const auto& input : inputs) byAge.push_back(input.get());
    std::stable_sort(byAge.begin(), byAge.end(),
                     [&](const Input* a, const Input* b) { return Newer(*a, *b, options.newestByServerTime); });

    std::lock_guard<std::recursive_mutex> writing(FileWriteMutex());
    ReplacingFile file;
    auto writeFailed = [&] {
        InfoLog << "◆ファイルを保存できません: " << output << " (" << static_cast<unsigned long>(file.LastError()) << ")"
                << EndLine;
        result.outcome = MergeOutcome::WriteFailed;
        return result;
    };
    if (!file.Begin(output)) return writeFailed();
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<packet>\r\n";
    for (const Input* input : byAge) {
        if (const ChatElement* thread = input->reader.ThreadElement()) {
            AppendElement(out, "thread", *thread);
            break;
        }
    }

    auto later = [](const Input* a, const Input* b) { return b->key < a->key; };
    std::priority_queue<Input*, std::vector<Input*>, decltype(later)> queue(later);
    for (const auto& input : inputs) {
        if (input->has) queue.push(input.get());
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
            return Newer(*a, *b, options.newestByServerTime);
        });
        for (const Input* input : same) {
            if (!SameComment(input->reader.Chat(), newest->reader.Chat())) {
                ++result.differing;
                break;
            }
        }
        AppendElement(out, "chat", newest->reader.Chat());
        ++result.written;
        for (Input* input : same) {
            if (!Advance(*input, result)) return result;
            if (input->has) queue.push(input);
        }
        if (out.size() >= 64 * 1024) {
            if (!file.Write(out)) return writeFailed();
            out.clear();
            if (options.stop && *options.stop) {
                result.outcome = MergeOutcome::Stopped;
                return result;
            }
        }
    }
    if (result.written == 0) {
        InfoLog << "コメントが見つかりませんでした" << EndLine;
        result.outcome = MergeOutcome::NoComments;
        return result;
    }

    ChatElement counter;
    counter.AddAttribute("video", "0");
    for (const Input* input : byAge) {
        if (const ChatElement* kept = input->reader.ViewCounter()) {
            counter = *kept;
            break;
        }
    }
    AppendElement(out, "view_counter", counter);
    out += "</packet>\r\n";
    for (const auto& input : inputs) input->reader.Close();  // the output may replace one of them
    if (!file.Write(out) || !file.Commit()) return writeFailed();
    result.outcome = MergeOutcome::Saved;
    return result;
}
