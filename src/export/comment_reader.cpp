#include "export/comment_reader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "export/utf8_source.h"
#include "support/byte_scan.h"
#include "support/codepage.h"

namespace {

// A file nested deeper than any comment file is refused, as it always was.
constexpr std::size_t kMaxDepth = 1000;
constexpr std::size_t kWindow = 128 * 1024;
// The longest reference we read ("&#x10FFFF;" and a few leading zeros).
constexpr std::size_t kLongestReference = 32;

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
// character; the type's limits when it overflows.
long long LeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    unsigned long long magnitude = 0;
    const unsigned long long limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + static_cast<unsigned>(text[i] - '0');
        if (magnitude > limit) {
            magnitude = limit;
            for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            }
            break;
        }
    }
    return negative ? static_cast<long long>(0 - magnitude) : static_cast<long long>(magnitude);
}

bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }

bool AllSpace(const char* p, const char* end) {
    while (p < end && IsSpace(*p)) ++p;
    return p == end;
}

// Letters, digits, "_:-." and every byte of a multi-byte character.
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

bool IsNameByte(char c) { return kNameBytes.byte[static_cast<unsigned char>(c)]; }

const char* NameEnd(const char* p, const char* end) {
    while (p < end && IsNameByte(*p)) ++p;
    return p;
}

bool NameStartsWell(const char* p, const char* end) {
    return p < end && !(*p >= '0' && *p <= '9') && *p != '-' && *p != '.';
}

void AppendUtf8(unsigned long code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The reference between '&' and ';' (both excluded) into out (when given).
bool AppendReference(std::string_view name, std::string* out) {
    static const struct {
        const char* name;
        char c;
    } named[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& n : named) {
        if (name == n.name) {
            if (out) *out += n.c;
            return true;
        }
    }
    if (name.size() < 2 || name[0] != '#') return false;
    const bool hex = name[1] == 'x';
    const std::string digits(name.substr(hex ? 2 : 1));
    if (digits.empty() || digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos ||
        digits.size() > 12) {
        return false;
    }
    const unsigned long long code = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    if (out) AppendUtf8(static_cast<unsigned long>(code), *out);
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
    attributes_.push_back(Entry{at, static_cast<std::uint32_t>(name.size()), static_cast<std::uint32_t>(at + name.size()),
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

std::wstring ChatElement::Attribute(const char* name) const {
    std::string_view value;
    return FindAttribute(name, value) ? Utf8ToWide(value.data(), value.size()) : std::wstring();
}

long long ChatElement::Integer(const char* name) const {
    std::string_view value;
    return FindAttribute(name, value) ? LeadingInteger(value) : 0;
}

std::wstring ChatElement::Text() const { return Utf8ToWide(text_.data(), text_.size()); }

// ---------------------------------------------------------------------------
// The parser: a window on the UTF-8 stream, one construct per step. A step
// that finds its construct cut off by the window's end leaves the position
// where it was; the window is then moved on and widened and the step runs
// again, so nothing but the construct in hand is ever held.

struct CommentReader::Parser {
    enum class Result { Done, NeedMore, Failed };
    enum class Special { None, Comment, Instruction, Cdata };
    struct Open {
        std::uint32_t nameAt, nameSize;
        long long chat;  // sequence number of its pending chat, -1 for other elements
    };
    struct Pending {
        ChatElement chat;
        bool done = false;
    };

    Parser(CommentReader& owner, bool collect) : owner(owner), collect(collect) { buffer.resize(kWindow); }

    CommentReader& owner;
    const bool collect;  // false: only check the file and count its chats
    Utf8Source source;
    std::string buffer;
    std::size_t pos = 0, end = 0;
    unsigned long long dropped = 0;  // stream bytes moved out of the window before it
    bool endOfData = false, finished = false;

    std::string names;  // the open elements' names, one after another
    std::vector<Open> open;
    bool rootSeen = false, rootClosed = false;
    Special special = Special::None;
    bool runOpen = false, runAllSpace = true;  // a text run that went on past the window
    std::string heldSpace;
    std::size_t chatsSeen = 0;

    std::deque<Pending> pending;  // chats in document order, delivered once complete
    long long frontSeq = 0;
    std::vector<long long> openChats;
    std::vector<ChatElement> spare;  // delivered elements, kept for their room
    struct Attribute {
        std::string_view name, value;
        bool plain;  // nothing to resolve or normalise
    };
    std::vector<Attribute> attributes;
    std::string scratch;

    bool Fail(const std::string& what) {
        if (owner.error_.empty()) {
            owner.error_ = what + " at byte " + std::to_string(dropped + pos);
        }
        return false;
    }
    const char* At(std::size_t i) const { return buffer.data() + i; }

    // Moves the window on and reads more; false at the end of the data.
    bool More() {
        if (endOfData) return false;
        if (pos > 0) {
            std::memmove(&buffer[0], &buffer[pos], end - pos);  // what is still needed moves to the front
            dropped += pos;
            end -= pos;
            pos = 0;
        }
        if (end == buffer.size()) buffer.resize(buffer.size() * 2);  // one construct larger than the window
        const std::size_t n = source.Read(&buffer[end], buffer.size() - end);
        if (n == 0) {
            endOfData = true;
            if (!source.Error().empty()) Fail(source.Error());
            return false;
        }
        end += n;
        return true;
    }

    // One construct; false when the document has ended or failed.
    bool Step() {
        bool triedAtEnd = false;
        for (;;) {
            if (finished || owner.Failed()) return false;
            if (pos == end && !More()) return Finish();
            Result result = special != Special::None ? ContinueSpecial()
                            : buffer[pos] != '<'     ? TextRun()
                                                     : Markup();
            if (result == Result::Done) return true;
            if (result == Result::Failed) return false;
            if (!More()) {
                // Once more now that the end is known, then it is cut off.
                if (owner.Failed()) return false;
                if (triedAtEnd) return Fail("unexpected end of the file");
                triedAtEnd = true;
            }
        }
    }

    bool Finish() {
        if (owner.Failed()) return false;
        if (!open.empty()) {
            return Fail("unclosed element <" + names.substr(open.back().nameAt, open.back().nameSize) + ">");
        }
        if (!rootSeen) return Fail("no root element");
        finished = true;
        return false;
    }

    // ---- text ----

    Result TextRun() {
        const char* p = At(pos);
        const char* e = At(end);
        const char* lt = FindByte(p, e, '<');
        const char* stop = lt;
        const bool last = lt != e || endOfData;
        if (!last) {
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
        if (!Text(p, stop, last)) return Result::Failed;
        pos = static_cast<std::size_t>(stop - buffer.data());
        return Result::Done;
    }

    // Character data between two pieces of markup. Outside the root only white
    // space may stand; inside, a run of nothing but white space is dropped.
    bool Text(const char* p, const char* e, bool last) {
        if (open.empty()) {
            if (!AllSpace(p, e)) return Fail(rootSeen ? "text after the root element" : "text before the root element");
            return true;
        }
        if (openChats.empty()) return Decode(p, e, nullptr, false);
        if (!runOpen) {
            runOpen = true;
            runAllSpace = true;
            heldSpace.clear();
        }
        if (runAllSpace) {
            if (AllSpace(p, e)) {
                heldSpace.append(p, e);
                if (last) runOpen = false;
                return true;
            }
            runAllSpace = false;
            AppendToChats(heldSpace.data(), heldSpace.size());
        }
        if (last) runOpen = false;
        if (openChats.size() == 1) return Decode(p, e, &ChatText(openChats[0]), false);
        scratch.clear();
        if (!Decode(p, e, &scratch, false)) return false;
        AppendToChats(scratch.data(), scratch.size());
        return true;
    }

    std::string& ChatText(long long seq) { return pending[static_cast<std::size_t>(seq - frontSeq)].chat.text_; }

    void AppendToChats(const char* text, std::size_t size) {
        for (long long seq : openChats) ChatText(seq).append(text, size);
    }

    // References resolved into out (only checked when out is null); in an
    // attribute value, tabs and line feeds become spaces as XML wants.
    bool Decode(const char* p, const char* e, std::string* out, bool attribute) {
        while (p < e) {
            const char* q = attribute ? FindAnyByte(p, e, '&', '\t', '\n', '&') : FindByte(p, e, '&');
            if (out) out->append(p, q);
            if (q == e) break;
            if (*q != '&') {
                if (out) *out += ' ';
                p = q + 1;
                continue;
            }
            const char* semi = FindByte(q + 1, std::min(e, q + kLongestReference), ';');
            if (semi == std::min(e, q + kLongestReference) || !AppendReference(std::string_view(q + 1, semi - q - 1), out)) {
                return Fail("malformed reference");
            }
            p = semi + 1;
        }
        return true;
    }

    // ---- markup ----

    Result Markup() {
        if (end - pos < 9 && !endOfData) return Result::NeedMore;
        const std::string_view head(At(pos), std::min<std::size_t>(end - pos, 9));
        if (head.size() < 2) return Result::NeedMore;
        if (head[1] == '/') return EndTag();
        if (head[1] == '?') return EnterSpecial(Special::Instruction, 2);
        if (head[1] != '!') return StartTag();
        if (head.compare(0, 4, "<!--") == 0) return EnterSpecial(Special::Comment, 4);
        if (head == "<![CDATA[") {
            if (open.empty()) return Failed("CDATA outside the root element");
            return EnterSpecial(Special::Cdata, 9);
        }
        // Never expanded: a DTD could define entities that grow without bound.
        if (head == "<!DOCTYPE") return Failed("document type declarations are not read");
        return Failed("unknown markup");
    }

    Result EnterSpecial(Special kind, std::size_t opener) {
        special = kind;
        pos += opener;
        return Result::Done;
    }

    // Comments and processing instructions are skipped; CDATA goes into the
    // chats as it stands. Long ones pass through the window a piece at a time.
    Result ContinueSpecial() {
        const char* terminator = special == Special::Comment ? "-->" : special == Special::Cdata ? "]]>" : "?>";
        const std::size_t size = std::strlen(terminator);
        const char* p = At(pos);
        const char* e = At(end);
        const char* found = e;
        for (const char* q = p + size - 1; q < e; ++q) {
            q = FindByte(q, e, '>');
            if (q == e) break;
            if (std::memcmp(q - (size - 1), terminator, size) == 0) {
                found = q - (size - 1);
                break;
            }
        }
        const char* stop = found != e ? found : std::max(p, e - (size - 1));
        if (special == Special::Cdata && collect) AppendToChats(p, static_cast<std::size_t>(stop - p));
        pos = static_cast<std::size_t>(stop - buffer.data());
        if (found == e) return Result::NeedMore;
        pos += size;
        special = Special::None;
        return Result::Done;
    }

    Result EndTag() {
        const char* p = At(pos + 2);
        const char* e = At(end);
        const char* gt = FindByte(p, e, '>');
        if (gt == e) return Result::NeedMore;
        const char* nameEnd = NameEnd(p, gt);
        if (nameEnd == p || !AllSpace(nameEnd, gt)) return Failed("malformed end tag");
        const std::string_view name(p, static_cast<std::size_t>(nameEnd - p));
        if (open.empty()) return Failed("end tag without a start tag");
        const Open top = open.back();
        if (!Same(name, std::string_view(names.data() + top.nameAt, top.nameSize))) {
            return Failed("end tag </" + std::string(name) + "> does not close <" +
                          names.substr(top.nameAt, top.nameSize) + ">");
        }
        open.pop_back();
        names.resize(top.nameAt);
        if (top.chat >= 0) CloseChat(top.chat);
        if (open.empty()) rootClosed = true;
        pos = static_cast<std::size_t>(gt + 1 - buffer.data());
        return Result::Done;
    }

    Result StartTag() {
        const char* tag = At(pos);
        const char* e = At(end);
        const char* nameEnd = NameEnd(tag + 1, e);
        if (nameEnd == e) return Result::NeedMore;
        if (nameEnd == tag + 1 || !NameStartsWell(tag + 1, nameEnd)) return Failed("malformed start tag");
        if (rootClosed) return Failed("more than one root element");
        if (open.size() + 1 > kMaxDepth) return Failed("elements nested deeper than " + std::to_string(kMaxDepth));

        // What is kept has its values resolved as it is copied; the rest is only checked.
        const std::string_view name(tag + 1, static_cast<std::size_t>(nameEnd - tag - 1));
        const bool chat = !open.empty() && Same(name, "chat");
        ChatElement* root = nullptr;
        if (collect && open.size() == 1) {
            if (Same(name, "thread") && !owner.hasThread_) root = &owner.thread_;
            if (Same(name, "view_counter") && !owner.hasViewCounter_) root = &owner.viewCounter_;
        }
        const char* limit = nullptr;  // the "/>" or ">" that ends the tag
        bool empty = false;
        const Result read = ReadAttributes(nameEnd, e, !(chat && collect) && !root, limit, empty);
        if (read != Result::Done) return read;
        long long seq = -1;
        if (chat) {
            ++chatsSeen;
            if (collect) {
                seq = OpenChat();
                if (!FillElement(pending.back().chat, tag, limit)) return Result::Failed;
            }
        } else if (root) {
            if (!FillElement(*root, tag, limit)) return Result::Failed;
            (root == &owner.thread_ ? owner.hasThread_ : owner.hasViewCounter_) = true;
        }
        rootSeen = true;
        if (empty) {
            if (seq >= 0) CloseChat(seq);
            if (open.empty()) rootClosed = true;
        } else {
            open.push_back(Open{static_cast<std::uint32_t>(names.size()), static_cast<std::uint32_t>(name.size()), seq});
            names.append(name.data(), name.size());
        }
        pos = static_cast<std::size_t>(limit + (empty ? 2 : 1) - buffer.data());
        return Result::Done;
    }

    Result Failed(const std::string& what) {
        Fail(what);
        return Result::Failed;
    }

    // The attributes of a start tag into `attributes`, as they stand, up to the
    // tag's end (limit: its "/>" or ">"); their references are checked here
    // when check is set. NeedMore when the window ends first.
    Result ReadAttributes(const char* p, const char* e, bool check, const char*& limit, bool& empty) {
        attributes.clear();
        for (;;) {
            const char* gap = p;
            while (p < e && IsSpace(*p)) ++p;
            if (p == e) return Result::NeedMore;
            if (*p == '>' || *p == '/') {
                if (*p == '/' && p + 1 == e) return Result::NeedMore;
                if (*p == '/' && p[1] != '>') return Failed("malformed start tag");
                limit = p;
                empty = *p == '/';
                return Result::Done;
            }
            if (p == gap) return Failed("attributes must be separated by white space");
            const char* nameEnd = NameEnd(p, e);
            if (nameEnd == e) return Result::NeedMore;
            if (nameEnd == p || !NameStartsWell(p, nameEnd)) return Failed("malformed attribute");
            const std::string_view name(p, static_cast<std::size_t>(nameEnd - p));
            p = nameEnd;
            while (p < e && IsSpace(*p)) ++p;
            if (p == e) return Result::NeedMore;
            if (*p != '=') return Failed("attribute without a value");
            ++p;
            while (p < e && IsSpace(*p)) ++p;
            if (p >= e) return Result::NeedMore;
            if (*p != '"' && *p != '\'') return Failed("attribute value without quotes");
            const char* value = p + 1;
            const char* close = FindByte(value, e, *p);
            if (close == e) return Result::NeedMore;
            // The usual value holds nothing to resolve: one scan tells.
            const char* first = FindAnyByte(value, close, '<', '&', '\t', '\n');
            const bool plain = first == close;
            if (!plain) {
                if (FindByte(first, close, '<') != close) return Failed("'<' in an attribute value");
                if (check && !Decode(value, close, nullptr, true)) return Result::Failed;
            }
            for (const Attribute& seen : attributes) {
                if (Same(seen.name, name)) return Failed("attribute " + std::string(name) + " given twice");
            }
            attributes.push_back(Attribute{name, std::string_view(value, static_cast<std::size_t>(close - value)), plain});
            p = close + 1;
        }
    }

    // The start tag is copied whole; the values point into the copy, and only
    // those with something to resolve are written out again after it.
    bool FillElement(ChatElement& element, const char* tag, const char* limit) {
        element.Clear();
        element.data_.assign(tag, static_cast<std::size_t>(limit - tag));
        for (const Attribute& attribute : attributes) {
            const std::string_view& v = attribute.value;
            ChatElement::Entry entry{static_cast<std::uint32_t>(attribute.name.data() - tag),
                                     static_cast<std::uint32_t>(attribute.name.size()),
                                     static_cast<std::uint32_t>(v.data() - tag), static_cast<std::uint32_t>(v.size())};
            if (!attribute.plain) {
                entry.value = static_cast<std::uint32_t>(element.data_.size());
                if (!Decode(v.data(), v.data() + v.size(), &element.data_, true)) return false;
                entry.valueSize = static_cast<std::uint32_t>(element.data_.size() - entry.value);
            }
            element.attributes_.push_back(entry);
        }
        return true;
    }

    long long OpenChat() {
        pending.emplace_back();
        if (!spare.empty()) {
            pending.back().chat = std::move(spare.back());
            spare.pop_back();
        }
        const long long seq = frontSeq + static_cast<long long>(pending.size()) - 1;
        openChats.push_back(seq);
        return seq;
    }

    void CloseChat(long long seq) {
        pending[static_cast<std::size_t>(seq - frontSeq)].done = true;
        for (std::size_t i = 0; i < openChats.size(); ++i) {
            if (openChats[i] == seq) {
                openChats.erase(openChats.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
    }

    // The next complete chat in document order into out.
    bool NextChat(ChatElement& out) {
        for (;;) {
            if (!pending.empty() && pending.front().done) {
                std::swap(out, pending.front().chat);
                spare.push_back(std::move(pending.front().chat));
                pending.pop_front();
                ++frontSeq;
                return true;
            }
            if (!Step()) return false;
        }
    }
};

// ---------------------------------------------------------------------------
// CommentReader

CommentReader::CommentReader() = default;
CommentReader::~CommentReader() = default;

bool CommentReader::Open(const std::string& path) {
    error_.clear();
    hasThread_ = hasViewCounter_ = false;
    parser_ = std::make_unique<Parser>(*this, true);
    return parser_->source.OpenFile(path) || KeepSourceError();
}

bool CommentReader::OpenText(std::string bytes) {
    error_.clear();
    hasThread_ = hasViewCounter_ = false;
    parser_ = std::make_unique<Parser>(*this, true);
    return parser_->source.OpenBytes(std::move(bytes)) || KeepSourceError();
}

void CommentReader::Close() { parser_.reset(); }

// Called when the source could not start: keeps its reason.
bool CommentReader::KeepSourceError() {
    error_ = parser_->source.Error();
    parser_.reset();
    return false;
}

bool CommentReader::Next() { return parser_ && !Failed() && parser_->NextChat(current_); }

bool CommentReader::CheckFile(const std::string& path, std::size_t& chats, std::string& error) {
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
    error = reader.error_;
    return !reader.Failed();
}
