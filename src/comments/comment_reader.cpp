// The reader's core, without the platform: a window over the decoded text,
// cut into tokens, with the white space, references and attributes of each.
#include "comments/comment_reader.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "comments/utf8_source.h"
#include "comments/xml_chars.h"
#include "support/byte_scan.h"

namespace {

// A file nested deeper than any comment file is refused, as it always was.
constexpr std::size_t kMaxDepth = 1000;
// The fuzz build makes it small, so that every construct meets its edge.
#ifndef KOMETORI_READER_WINDOW
#define KOMETORI_READER_WINDOW (128 * 1024)
#endif
constexpr std::size_t kWindow = KOMETORI_READER_WINDOW;
// The window grows for one tag larger than it, up to twice the longest tag.
constexpr std::size_t kLargestWindow = 2 * CommentReader::kLongestTag;
// The longest reference we read ("&#x10FFFF;" and a few leading zeros).
constexpr std::size_t kLongestReference = 32;
// Up to this many attributes a tag's names are compared one by one (a chat
// has about ten); beyond, through a set.
constexpr std::size_t kFewAttributes = 32;

// Names are short: a loop beats a call into the runtime.
bool Same(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

bool SameName(std::string_view stored, const char* name) {
    std::size_t i = 0;
    for (; i < stored.size(); ++i) {
        if (stored[i] != name[i]) return false;  // also stops at the end of name
    }
    return name[i] == '\0';
}

// As strtoll reads it: blanks, a sign, digits up to the first other
// character. False without digits, and when the number is beyond the range.
bool LeadingInteger(std::string_view text, long long& value) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const unsigned long long limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
    unsigned long long magnitude = 0;
    const std::size_t first = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (magnitude > (limit - digit) / 10) return false;  // checked before it can wrap
        magnitude = magnitude * 10 + digit;
    }
    if (i == first) return false;
    value = negative ? static_cast<long long>(0 - magnitude) : static_cast<long long>(magnitude);
    return true;
}

bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }

bool AllSpace(const char* p, const char* end) {
    while (p < end && IsSpace(*p)) ++p;
    return p == end;
}

// Letters, digits, "_:-." and every byte of a multi-byte character: where a
// name ends. Whether it is a name is NameScan's to say.
struct NameBytes {
    bool byte[256];
    constexpr NameBytes() : byte() {
        for (int b = 0; b < 256; ++b) {
            byte[b] = b >= 0x80 || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
                      b == '_' || b == ':' || b == '-' || b == '.';
        }
    }
};
constexpr NameBytes kNameBytes;

const char* NameEnd(const char* p, const char* end) {
    while (p < end && kNameBytes.byte[static_cast<unsigned char>(*p)]) ++p;
    return p;
}

// A name and whether it is one. One of letters, digits and "_:-." needs only
// its first character looked at; others are decoded.
struct NameScan {
    NameScan(const char* p, const char* end) {
        unsigned char bytes = 0;
        const char* at = p;
        for (; at < end && kNameBytes.byte[static_cast<unsigned char>(*at)]; ++at)
            bytes |= static_cast<unsigned char>(*at);
        name = std::string_view(p, static_cast<std::size_t>(at - p));
        ascii = bytes < 0x80;
    }
    const char* End() const { return name.data() + name.size(); }
    bool IsName() const {
        if (!ascii) return IsXmlName(name.data(), name.size());
        return !name.empty() && !(name[0] >= '0' && name[0] <= '9') && name[0] != '-' && name[0] != '.';
    }
    std::string_view name;
    bool ascii;
};

// A name of the file as a refusal shows it: the messages are in the ANSI code
// page, so each character beyond ASCII reads "?", and a long name is cut.
std::string ShownName(std::string_view name) {
    std::string shown;
    for (const char byte : name) {
        const unsigned char c = static_cast<unsigned char>(byte);
        if (c >= 0x80 && c < 0xC0) continue;  // a continuation byte of the character before
        if (shown.size() == 40) return shown + "...";
        shown += c < 0x80 ? byte : '?';
    }
    return shown;
}

// The reference between '&' and ';' (both excluded), appended to out.
// Control characters, NUL among them, are read as the characters they name:
// comments hold them.
bool ResolveReference(std::string_view name, std::string& out) {
    static const struct {
        const char* name;
        char c;
    } named[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& n : named) {
        if (name == n.name) {
            out += n.c;
            return true;
        }
    }
    if (name.size() < 2 || name[0] != '#') return false;
    const bool hex = name[1] == 'x';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 12) return false;
    unsigned long long code = 0;
    for (char c : digits) {
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
            digit = static_cast<unsigned>((c | 0x20) - 'a' + 10);
        } else {
            return false;
        }
        code = code * (hex ? 16 : 10) + digit;  // twelve digits cannot wrap
    }
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    AppendUtf8Code(static_cast<std::uint32_t>(code), out);
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// ChatElement

void ChatElement::Clear() {
    data_.clear();
    attributes_.clear();
    text_.clear();
}

void ChatElement::AddAttribute(std::string_view name, std::string_view value) {
    const auto at = static_cast<std::uint32_t>(data_.size());
    data_.append(name.data(), name.size()).append(value.data(), value.size());
    attributes_.push_back(Entry{at, static_cast<std::uint32_t>(name.size()),
                                static_cast<std::uint32_t>(at + name.size()),
                                static_cast<std::uint32_t>(value.size())});
}

std::string_view ChatElement::AttributeName(std::size_t i) const {
    return std::string_view(data_.data() + attributes_[i].name, attributes_[i].nameSize);
}

std::string_view ChatElement::AttributeValue(std::size_t i) const {
    return std::string_view(data_.data() + attributes_[i].value, attributes_[i].valueSize);
}

bool ChatElement::FindAttribute(const char* name, std::string_view& value) const {
    for (std::size_t i = 0; i < attributes_.size(); ++i) {
        if (SameName(AttributeName(i), name)) {
            value = AttributeValue(i);
            return true;
        }
    }
    return false;
}

bool ChatElement::FindInteger(const char* name, long long& value) const {
    std::string_view text;
    return FindAttribute(name, text) && LeadingInteger(text, value);
}

long long ChatElement::Integer(const char* name) const {
    long long value = 0;
    return FindInteger(name, value) ? value : 0;
}

std::wstring ChatElement::Attribute(const char* name) const {
    std::wstring text;
    std::string_view value;
    if (FindAttribute(name, value)) AppendUtf16Units(value, text);
    return text;
}

std::wstring ChatElement::Text() const {
    std::wstring text;
    AppendUtf16Units(text_, text);
    return text;
}

// ---------------------------------------------------------------------------
// The parser: a window on the UTF-8 stream, one construct per step. A step
// that finds its construct cut off by the window's end leaves the position
// where it was; the window is then moved on (and widened when the construct
// fills it) and the step runs again, so nothing but the construct in hand is
// ever held. Collecting or only checking, every step is the same, so both
// meet the same fault at the same place.

struct CommentReader::Parser {
    enum class Result { Done, NeedMore, Failed };
    enum class Special { None, Comment, Instruction, Cdata };
    struct Open {
        Open(std::size_t nameAt, std::size_t nameSize, bool chat)
            : nameAt(static_cast<std::uint32_t>(nameAt)), nameSize(static_cast<std::uint32_t>(nameSize)), chat(chat) {}
        std::uint32_t nameAt, nameSize;
        bool chat;
    };
    struct Attribute {
        // Built in place: a copy through the stack stalls on its own stores.
        Attribute(std::string_view name, const char* value, const char* close, bool plain)
            : name(name), value(value, static_cast<std::size_t>(close - value)), plain(plain) {}
        std::string_view name, value;
        bool plain;  // nothing to resolve or normalise
    };

    Parser(CommentReader& owner, bool collect) : owner(owner), collect(collect) { buffer.resize(kWindow); }

    CommentReader& owner;
    const bool collect;  // false: only check the file and count its chats
    Utf8Source source;
    std::string buffer;
    std::size_t pos = 0, end = 0;
    unsigned long long dropped = 0;  // stream bytes moved out of the window before it
    bool endOfData = false, finished = false;
    unsigned long long firstMarkup = ~0ULL;  // where the XML declaration may stand

    std::string names;  // the open elements' names, one after another
    std::vector<Open> open;
    bool rootSeen = false, rootClosed = false;
    Special special = Special::None;
    std::size_t chatsSeen = 0;
    std::size_t controls = 0;  // control characters XML forbids, given by references

    // The chat being read; a chat inside it is refused, so there is one.
    bool inChat = false, chatReady = false;
    ChatElement chat;
    std::size_t textSize = 0;  // its text so far, references resolved
    // A text run that went on past the window: white space alone is held
    // back, and dropped when markup follows.
    bool runOpen = false, runAllSpace = true;
    std::string heldSpace;
    std::size_t heldSize = 0;

    std::vector<Attribute> attributes;
    std::unordered_set<std::string_view> attributeNames;  // for tags of many attributes
    std::uint64_t nameBits = 0;                           // NewAttributeName's bits of the tag's names

    // The reason and where: the byte of the text read, counted from 1 as the decoders count.
    bool Fail(const std::string& what) {
        return FailWith(what + " (" + std::to_string(dropped + pos + 1) + " バイト目)");
    }
    bool FailWith(const std::string& error) {
        if (owner.error_.empty()) owner.error_ = error;
        return false;
    }
    Result Failed(const std::string& what) {
        Fail(what);
        return Result::Failed;
    }
    Result LongTag() { return Failed(std::to_string(kLongestTag) + " バイトより長いタグがあります"); }
    Result LongName() { return Failed(std::to_string(kLongestName) + " バイトより長い名前があります"); }
    const char* At(std::size_t i) const { return buffer.data() + i; }

    // Moves the window on and fills it; false when nothing more came.
    bool More() {
        if (endOfData) return false;
        if (pos > 0) {
            std::memmove(&buffer[0], &buffer[pos], end - pos);  // what is still needed moves to the front
            dropped += pos;
            end -= pos;
            pos = 0;
        }
        if (end == buffer.size()) {  // one tag fills the window
            if (buffer.size() >= kLargestWindow) {
                endOfData = true;
                LongTag();
                return false;
            }
            buffer.resize(buffer.size() * 2);
        }
        // Filled whole, so that a tag read again after a refill has at least
        // twice the room: a long tag costs linear time, not quadratic.
        const std::size_t before = end;
        while (end < buffer.size()) {
            const std::size_t n = source.Read(&buffer[end], buffer.size() - end);
            if (n == 0) {
                endOfData = true;
                if (!source.Error().empty()) FailWith(source.Error());
                break;
            }
            end += n;
        }
        return end > before;
    }

    // One construct; false when the document has ended or failed.
    bool Step() {
        bool triedAtEnd = false;
        for (;;) {
            if (finished || owner.Failed()) return false;
            if (pos == end && !More()) return Finish();
            Result result = special != Special::None ? ContinueSpecial() : buffer[pos] != '<' ? TextRun() : Markup();
            if (result == Result::Done) return true;
            if (result == Result::Failed) return false;
            if (!More()) {
                // Once more now that the end is known, then it is cut off.
                if (owner.Failed()) return false;
                if (triedAtEnd) return FailWith("ファイルが途中で終わっています");
                triedAtEnd = true;
            }
        }
    }

    bool Finish() {
        if (owner.Failed()) return false;
        if (!open.empty()) {
            return FailWith("要素 <" + ShownName(names.substr(open.back().nameAt, open.back().nameSize)) +
                            "> が閉じられないままファイルが終わっています");
        }
        if (!rootSeen) return FailWith("XML の要素がありません");
        finished = true;
        return false;
    }

    // ---- text ----

    Result TextRun() {
        const char* p = At(pos);
        const char* e = At(end);
        const char* stop = FindByte(p, e, '<');
        if (stop == e && !endOfData) {
            // A reference cut by the window waits for the rest of it.
            for (const char* q = e; q > p && e - q < static_cast<std::ptrdiff_t>(kLongestReference);) {
                --q;
                if (*q == ';') break;
                if (*q == '&') {
                    stop = q;
                    break;
                }
            }
            if (stop == p) return Result::NeedMore;
        }
        if (!Text(p, stop)) return Result::Failed;
        pos = static_cast<std::size_t>(stop - buffer.data());
        return Result::Done;
    }

    // Character data between two pieces of markup. Outside the root only white
    // space may stand; inside, a run of nothing but white space is dropped.
    bool Text(const char* p, const char* e) {
        if (open.empty()) {
            if (!AllSpace(p, e)) {
                return Fail(rootSeen ? "ルート要素の後に文字があります" : "ルート要素の前に文字があります");
            }
            return true;
        }
        std::size_t size = 0;
        if (!inChat) return Decode(p, e, nullptr, false, size, &controls);
        if (!runOpen) {
            runOpen = true;
            runAllSpace = true;
            heldSpace.clear();
            heldSize = 0;
        }
        if (runAllSpace) {
            if (AllSpace(p, e)) {
                heldSize += static_cast<std::size_t>(e - p);
                if (collect) heldSpace.append(p, e);
                return FitsText(0);
            }
            runAllSpace = false;
            if (collect) chat.text_ += heldSpace;
            size = heldSize;
        }
        if (!Decode(p, e, collect ? &chat.text_ : nullptr, false, size, &controls)) return false;
        return FitsText(size);
    }

    // Adds to the chat's text size; false (failed) past the longest text.
    bool FitsText(std::size_t added) {
        textSize += added;
        if (textSize + (runOpen && runAllSpace ? heldSize : 0) <= kLongestText) return true;
        return Fail(std::to_string(kLongestText) + " バイトより長いコメントがあります");
    }

    // References resolved into out (only checked when out is null), size
    // counting the bytes that make and controls, when given, the control
    // characters they name; in an attribute value, tabs and line feeds become
    // spaces as XML wants.
    bool Decode(const char* p, const char* e, std::string* out, bool attribute, std::size_t& size,
                std::size_t* controls) {
        std::string resolved;
        while (p < e) {
            const char* q = attribute ? FindAnyByte(p, e, '&', '\t', '\n', '&') : FindByte(p, e, '&');
            size += static_cast<std::size_t>(q - p);
            if (out) out->append(p, q);
            if (q == e) break;
            if (*q != '&') {
                ++size;
                if (out) *out += ' ';
                p = q + 1;
                continue;
            }
            const char* limit = q + std::min<std::size_t>(static_cast<std::size_t>(e - q), kLongestReference);
            const char* semi = FindByte(q + 1, limit, ';');
            resolved.clear();
            const std::string_view name(q + 1, static_cast<std::size_t>(semi - q - 1));
            if (semi == limit || !ResolveReference(name, resolved)) {
                return Fail("正しくない参照 (&...;) があります");
            }
            size += resolved.size();
            if (controls && resolved.size() == 1 && IsForbiddenControl(static_cast<unsigned char>(resolved[0]))) {
                ++*controls;
            }
            if (out) *out += resolved;
            p = semi + 1;
        }
        return true;
    }

    // ---- markup ----

    Result Markup() {
        runOpen = false;  // white space held back before markup is dropped
        if (end - pos < 9 && !endOfData) return Result::NeedMore;
        if (firstMarkup == ~0ULL) firstMarkup = dropped + pos;
        const std::string_view head(At(pos), std::min<std::size_t>(end - pos, 9));
        if (head.size() < 2) return Result::NeedMore;
        if (head[1] == '/') return EndTag();
        if (head[1] == '?') {
            // The declaration was read when the file was opened; it stands first or nowhere.
            const bool declaration =
                head.size() >= 6 && head.compare(2, 3, "xml") == 0 && (IsSpace(head[5]) || head[5] == '?');
            if (declaration && dropped + pos != firstMarkup) {
                return Failed("XML 宣言がファイルの先頭にありません");
            }
            return EnterSpecial(Special::Instruction, 2);
        }
        if (head[1] != '!') return StartTag();
        if (head.compare(0, 4, "<!--") == 0) return EnterSpecial(Special::Comment, 4);
        if (head == "<![CDATA[") {
            if (open.empty()) return Failed("ルート要素の外に CDATA があります");
            return EnterSpecial(Special::Cdata, 9);
        }
        // Never expanded: a DTD could define entities that grow without bound.
        if (head == "<!DOCTYPE") return Failed("文書型宣言 (<!DOCTYPE>) には対応していません");
        return Failed("読めない <! の記述があります");
    }

    Result EnterSpecial(Special kind, std::size_t opener) {
        special = kind;
        pos += opener;
        return Result::Done;
    }

    // Comments and processing instructions are skipped; CDATA goes into the
    // chat as it stands. Long ones pass through the window a piece at a time.
    Result ContinueSpecial() {
        const char* terminator = special == Special::Comment ? "-->" : special == Special::Cdata ? "]]>" : "?>";
        const std::size_t size = std::strlen(terminator);
        std::size_t found = end;
        for (std::size_t q = pos + size - 1; q < end; ++q) {
            q = static_cast<std::size_t>(FindByte(At(q), At(end), '>') - buffer.data());
            if (q == end) break;
            if (std::memcmp(At(q - (size - 1)), terminator, size) == 0) {
                found = q - (size - 1);
                break;
            }
        }
        // The last bytes may start the terminator: they wait for the next window.
        const std::size_t stop = found != end ? found : std::max(pos, end >= size - 1 ? end - (size - 1) : 0);
        if (special == Special::Cdata && inChat) {
            if (collect) chat.text_.append(At(pos), stop - pos);
            if (!FitsText(stop - pos)) return Result::Failed;
        }
        pos = stop;
        if (found == end) return Result::NeedMore;
        pos += size;
        special = Special::None;
        return Result::Done;
    }

    Result EndTag() {
        const char* p = At(pos + 2);
        const char* e = At(end);
        const char* gt = FindByte(p, e, '>');
        if (gt == e) return Result::NeedMore;
        if (static_cast<std::size_t>(gt + 1 - At(pos)) > kLongestTag) {
            return LongTag();
        }
        const char* nameEnd = NameEnd(p, gt);
        if (nameEnd == p || !AllSpace(nameEnd, gt)) return Failed("終了タグが正しくありません");
        const std::string_view name(p, static_cast<std::size_t>(nameEnd - p));
        if (open.empty()) return Failed("開始タグのない終了タグがあります");
        const Open top = open.back();
        if (!Same(name, std::string_view(names.data() + top.nameAt, top.nameSize))) {
            return Failed("終了タグ </" + ShownName(name) + "> が開始タグ <" +
                          ShownName(std::string_view(names).substr(top.nameAt, top.nameSize)) + "> と合っていません");
        }
        open.pop_back();
        names.resize(top.nameAt);
        if (top.chat) CloseChat();
        if (open.empty()) rootClosed = true;
        pos = static_cast<std::size_t>(gt + 1 - buffer.data());
        return Result::Done;
    }

    Result StartTag() {
        const char* tag = At(pos);
        const char* e = At(end);
        const NameScan scan(tag + 1, e);
        const char* nameEnd = scan.End();
        if (nameEnd == e) return Result::NeedMore;
        const std::string_view name = scan.name;
        if (name.size() > kLongestName) return LongName();
        if (!scan.IsName()) return Failed("開始タグが正しくありません");
        if (rootClosed) return Failed("ルート要素が2つ以上あります");
        if (open.empty()) owner.root_.assign(name.data(), name.size());
        if (open.size() + 1 > kMaxDepth) {
            return Failed("要素の入れ子が " + std::to_string(kMaxDepth) + " 段を超えています");
        }
        const bool isChat = !open.empty() && Same(name, "chat");
        // Text would have to be kept for every open chat until the outermost closes.
        if (isChat && inChat) return Failed("chat 要素の中に chat 要素があります");

        const char* limit = nullptr;  // the "/>" or ">" that ends the tag
        bool empty = false;
        const Result read = ReadAttributes(nameEnd, e, limit, empty);
        if (read != Result::Done) return read;
        if (static_cast<std::size_t>(limit - tag) + (empty ? 2 : 1) > kLongestTag) {
            return LongTag();
        }
        if (isChat) {
            ++chatsSeen;
            inChat = true;
            textSize = 0;
            runOpen = false;
            if (collect) FillElement(chat, tag, limit);
        } else if (collect && open.size() == 1) {
            // The first thread and view_counter children of the root are kept.
            if (Same(name, "thread") && !owner.hasThread_) {
                FillElement(owner.thread_, tag, limit);
                owner.hasThread_ = true;
            } else if (Same(name, "view_counter") && !owner.hasViewCounter_) {
                FillElement(owner.viewCounter_, tag, limit);
                owner.hasViewCounter_ = true;
            }
        }
        rootSeen = true;
        if (empty) {
            if (isChat) CloseChat();
            if (open.empty()) rootClosed = true;
        } else {
            open.emplace_back(names.size(), name.size(), isChat);
            names.append(name.data(), name.size());
        }
        pos = static_cast<std::size_t>(limit + (empty ? 2 : 1) - buffer.data());
        return Result::Done;
    }

    void CloseChat() {
        inChat = false;
        runOpen = false;
        chatReady = true;
    }

    // The attributes of a start tag into `attributes`, as they stand, up to the
    // tag's end (limit: its "/>" or ">"), their references checked. NeedMore
    // when the window ends first.
    Result ReadAttributes(const char* p, const char* e, const char*& limit, bool& empty) {
        attributes.clear();
        attributeNames.clear();
        nameBits = 0;
        std::size_t tagControls = 0;  // counted once the tag is whole: a cut tag is read again
        for (;;) {
            const char* gap = p;
            while (p < e && IsSpace(*p)) ++p;
            if (p == e) return Result::NeedMore;
            if (*p == '>' || *p == '/') {
                if (*p == '/' && p + 1 == e) return Result::NeedMore;
                if (*p == '/' && p[1] != '>') return Failed("開始タグが正しくありません");
                limit = p;
                empty = *p == '/';
                controls += tagControls;
                return Result::Done;
            }
            if (p == gap) return Failed("属性の間に空白がありません");
            const NameScan scan(p, e);
            if (scan.End() == e) return Result::NeedMore;
            const std::string_view name = scan.name;
            if (name.size() > kLongestName) return LongName();
            if (!scan.IsName()) return Failed("属性が正しくありません");
            p = scan.End();
            while (p < e && IsSpace(*p)) ++p;
            if (p == e) return Result::NeedMore;
            if (*p != '=') return Failed("値のない属性があります");
            ++p;
            while (p < e && IsSpace(*p)) ++p;
            if (p >= e) return Result::NeedMore;
            if (*p != '"' && *p != '\'') return Failed("引用符で囲まれていない属性値があります");
            const char* value = p + 1;
            // The usual value holds nothing to resolve: one scan finds its
            // end and tells.
            const char* first = FindAnyByte(value, e, *p, '<', '&', '\t', '\n');
            if (first == e) return Result::NeedMore;
            const bool plain = *first == *p;
            const char* close = plain ? first : FindByte(first, e, *p);
            if (close == e) return Result::NeedMore;
            if (!plain) {
                if (FindByte(first, close, '<') != close) return Failed("属性値の中に < があります");
                std::size_t size = 0;
                if (!Decode(value, close, nullptr, true, size, &tagControls)) return Result::Failed;
            }
            if (!NewAttributeName(name)) return Failed("属性 " + ShownName(name) + " が2つあります");
            attributes.emplace_back(name, value, close, plain);
            p = close + 1;
        }
    }

    // False when the tag has the name already: compared one by one while there
    // are few, through a set once there are many.
    bool NewAttributeName(std::string_view name) {
        // A bit per name's length and ends: a name whose bit is clear is new
        // without a comparison, as every name of the usual tag is.
        const std::uint64_t bit = std::uint64_t{1} << ((name.size() * 7 + static_cast<unsigned char>(name.front()) +
                                                        static_cast<unsigned char>(name.back()) * 3) &
                                                       63);
        const bool maybeSeen = (nameBits & bit) != 0;
        nameBits |= bit;
        if (attributes.size() < kFewAttributes) {
            if (!maybeSeen) return true;
            for (const Attribute& seen : attributes) {
                if (Same(seen.name, name)) return false;
            }
            return true;
        }
        if (attributeNames.empty()) {
            for (const Attribute& seen : attributes) attributeNames.insert(seen.name);
        }
        return attributeNames.insert(name).second;
    }

    // The start tag is copied whole; the values point into the copy, and only
    // those with something to resolve are written out again after it (they
    // were checked, so this cannot fail).
    void FillElement(ChatElement& element, const char* tag, const char* limit) {
        element.Clear();
        element.data_.assign(tag, static_cast<std::size_t>(limit - tag));
        for (const Attribute& attribute : attributes) {
            const std::string_view& v = attribute.value;
            ChatElement::Entry entry{static_cast<std::uint32_t>(attribute.name.data() - tag),
                                     static_cast<std::uint32_t>(attribute.name.size()),
                                     static_cast<std::uint32_t>(v.data() - tag), static_cast<std::uint32_t>(v.size())};
            if (!attribute.plain) {
                entry.value = static_cast<std::uint32_t>(element.data_.size());
                std::size_t size = 0;
                Decode(v.data(), v.data() + v.size(), &element.data_, true, size, nullptr);
                entry.valueSize = static_cast<std::uint32_t>(element.data_.size() - entry.value);
            }
            element.attributes_.push_back(entry);
        }
    }

    // The next complete chat in document order into out.
    bool NextChat(ChatElement& out) {
        while (!chatReady) {
            if (!Step()) return false;
        }
        std::swap(out, chat);  // the old element's room is used for the next
        chatReady = false;
        return true;
    }
};

// ---------------------------------------------------------------------------
// CommentReader

CommentReader::CommentReader() = default;
CommentReader::~CommentReader() = default;

bool CommentReader::Start(const std::function<bool(Utf8Source& source)>& open) {
    error_.clear();
    root_.clear();
    controlsRead_ = 0;
    hasThread_ = hasViewCounter_ = false;
    parser_ = std::make_unique<Parser>(*this, true);
    if (open(parser_->source)) return true;
    error_ = parser_->source.Error();
    parser_.reset();
    return false;
}

bool CommentReader::Open(const std::wstring& path, ByteWatcher* watcher) {
    return Start([&](Utf8Source& source) { return source.OpenFile(path, watcher); });
}

bool CommentReader::OpenText(std::string bytes) {
    return Start([&](Utf8Source& source) { return source.OpenBytes(std::move(bytes)); });
}

void CommentReader::Close() {
    if (parser_) controlsRead_ = ControlCharacters();
    parser_.reset();
}

std::size_t CommentReader::ControlCharacters() const {
    return parser_ ? parser_->controls + parser_->source.Controls() : controlsRead_;
}

bool CommentReader::Next() { return parser_ && !Failed() && parser_->NextChat(current_); }

bool CommentReader::CheckFile(const std::wstring& path, std::size_t& chats, std::string& error, std::size_t* controls) {
    CommentReader reader;
    reader.parser_ = std::make_unique<Parser>(reader, false);
    chats = 0;
    if (!reader.parser_->source.OpenFile(path)) {
        error = reader.parser_->source.Error();
        return false;
    }
    while (reader.parser_->Step()) {
    }
    chats = reader.parser_->chatsSeen;
    if (controls) *controls = reader.ControlCharacters();
    error = reader.error_;
    return !reader.Failed();
}

std::string UnreadableCommentFileLine(const std::string& path, const std::string& error) {
    return "◆コメントファイルを読み込めません: " + path + " (" + error + ")";
}

std::string ControlCharactersLine(std::size_t count) {
    return "※XMLで使えない制御文字を " + std::to_string(count) + " 個含んでいます (そのまま読み込みました)";
}
