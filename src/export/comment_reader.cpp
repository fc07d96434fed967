#include "export/comment_reader.h"

#include <emmintrin.h>
#include <windows.h>
#ifdef _MSC_VER
#include <intrin.h>
#endif

#include <rapidxml/rapidxml.hpp>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "support/codepage.h"
#include "support/handles.h"
#include "support/text.h"

// rapidxml keeps the file in memory, parses it in place and allocates its
// nodes from a pool: load time and memory grow linearly with the file.
struct CommentReader::Document {
    std::string bytes;  // the parsed text; the nodes point into it
    rapidxml::xml_document<char> xml;
};

using Node = rapidxml::xml_node<char>;

namespace {

void AppendText(const Node* node, std::string& out) {
    for (const Node* child = node->first_node(); child; child = child->next_sibling()) {
        if (child->type() == rapidxml::node_data || child->type() == rapidxml::node_cdata) {
            out.append(child->value(), child->value_size());
        } else if (child->type() == rapidxml::node_element) {
            AppendText(child, out);
        }
    }
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        error = "cannot open the file (" + std::to_string(::GetLastError()) + ")";
        return false;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) {
        error = "cannot read the file size";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 64u << 20));
        DWORD read = 0;
        if (!::ReadFile(file.get(), &bytes[done], chunk, &read, nullptr)) {
            error = "cannot read the file (" + std::to_string(::GetLastError()) + ")";
            return false;
        }
        if (read == 0) break;
        done += read;
    }
    bytes.resize(done);
    return true;
}

// The code page named by the XML declaration; CP_UTF8 without one.
bool DeclaredCodePage(const std::string& bytes, UINT& codePage) {
    codePage = CP_UTF8;
    if (bytes.compare(0, 5, "<?xml") != 0) return true;
    std::string declaration = bytes.substr(0, bytes.find("?>"));
    auto at = declaration.find("encoding");
    if (at == std::string::npos) return true;
    auto quote = declaration.find_first_of("\"'", at);
    if (quote == std::string::npos) return false;
    auto end = declaration.find(declaration[quote], quote + 1);
    if (end == std::string::npos) return false;
    std::string name = ToLower(declaration.substr(quote + 1, end - quote - 1));
    static const struct {
        const char* name;
        UINT codePage;
    } known[] = {{"utf-8", CP_UTF8},       {"us-ascii", CP_UTF8},   {"shift_jis", 932},    {"shift-jis", 932},
                 {"windows-31j", 932},     {"cp932", 932},          {"x-sjis", 932},       {"ms_kanji", 932},
                 {"euc-jp", 20932},        {"iso-8859-1", 28591},   {"iso-2022-jp", 50220}};
    for (const auto& k : known) {
        if (name == k.name) {
            codePage = k.codePage;
            return true;
        }
    }
    return false;
}

bool Transcode(UINT codePage, const char* text, std::size_t size, std::string& out) {
    if (size > INT_MAX) return false;
    int wideLength = ::MultiByteToWideChar(codePage, 0, text, static_cast<int>(size), nullptr, 0);
    if (wideLength <= 0) return size == 0;
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(codePage, 0, text, static_cast<int>(size), wide.data(), wideLength);
    out = WideToUtf8(wide);
    return true;
}

}  // namespace

namespace {

// Brings the file to UTF-8 without a byte-order mark, as the parser wants it.
bool ToUtf8(std::string& bytes, std::string& error) {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        bytes.erase(0, 3);
        return true;
    }
    bool littleEndian = bytes.compare(0, 2, "\xFF\xFE") == 0;
    if (littleEndian || bytes.compare(0, 2, "\xFE\xFF") == 0) {
        std::wstring wide((bytes.size() - 2) / 2, L'\0');
        for (std::size_t i = 0; i < wide.size(); ++i) {
            auto a = static_cast<unsigned char>(bytes[2 + 2 * i]);
            auto b = static_cast<unsigned char>(bytes[3 + 2 * i]);
            wide[i] = static_cast<wchar_t>(littleEndian ? (a | b << 8) : (a << 8 | b));
        }
        bytes = WideToUtf8(wide);
        return true;
    }
    UINT codePage = CP_UTF8;
    if (!DeclaredCodePage(bytes, codePage)) {
        error = "unsupported encoding";
        return false;
    }
    if (codePage == CP_UTF8) return true;
    std::string converted;
    if (!Transcode(codePage, bytes.data(), bytes.size(), converted)) {
        error = "cannot convert the encoding";
        return false;
    }
    bytes.swap(converted);
    return true;
}

int LowestBit(unsigned mask) {
#ifdef _MSC_VER
    unsigned long at;
    _BitScanForward(&at, mask);
    return static_cast<int>(at);
#else
    return __builtin_ctz(mask);
#endif
}

// The first of the bytes a, b, c in [p, end), or end. Sixteen bytes at a time:
// the scans below run over the whole file before it is parsed.
const char* FindAny(const char* p, const char* end, char a, char b, char c) {
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c);
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)), _mm_cmpeq_epi8(v, vc))));
        if (mask != 0) return p + LowestBit(mask);
        p += 16;
    }
    while (p < end && *p != a && *p != b && *p != c) ++p;
    return p;
}

// The '>' that ends a tag whose name starts at p, outside quoted values; end
// when there is none.
const char* TagEnd(const char* p, const char* end) {
    const __m128i gt = _mm_set1_epi8('>'), dq = _mm_set1_epi8('"'), sq = _mm_set1_epi8('\'');
    char quote = 0;
    auto hit = [&](char c) {  // true at the end of the tag
        if (quote) {
            if (c == quote) quote = 0;
            return false;
        }
        if (c == '>') return true;
        if (c == '"' || c == '\'') quote = c;
        return false;
    };
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, gt), _mm_cmpeq_epi8(v, dq)), _mm_cmpeq_epi8(v, sq))));
        while (mask != 0) {
            const int at = LowestBit(mask);
            if (hit(p[at])) return p + at;
            mask &= mask - 1;
        }
        p += 16;
    }
    for (; p < end; ++p) {
        if (hit(*p)) return p;
    }
    return end;
}

// XML line-end handling: CR LF and a lone CR become LF before parsing, so a
// line break in a comment reads as one LF (the text file then writes CR LF).
void NormaliseLineEnds(std::string& bytes) {
    const char* begin = bytes.data();
    const std::size_t first = FindAny(begin, begin + bytes.size(), '\r', '\r', '\r') - begin;
    if (first == bytes.size()) return;
    std::size_t out = first;
    for (std::size_t in = first; in < bytes.size(); ++in) {
        char c = bytes[in];
        if (c == '\r') {
            c = '\n';
            if (in + 1 < bytes.size() && bytes[in + 1] == '\n') ++in;
        }
        bytes[out++] = c;
    }
    bytes.resize(out);
}

// rapidxml parses nested elements by recursion, so a file nested deeper than
// any comment file could exhaust the stack. The depth is counted first, with
// comments, CDATA sections, declarations and quoted values skipped.
constexpr int kMaxDepth = 1000;

bool NestingWithinLimit(const std::string& text) {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    auto startsWith = [&](const char* p, const char* what) { return text.compare(p - begin, std::strlen(what), what) == 0; };
    auto skipPast = [&](const char* what, const char* from) {
        std::size_t at = text.find(what, from - begin);
        return at == std::string::npos ? end : begin + at + std::strlen(what);
    };
    int depth = 0;
    const char* p = begin;
    while ((p = FindAny(p, end, '<', '<', '<')) < end) {
        const char next = p + 1 < end ? p[1] : '\0';
        if (next == '/') {
            --depth;
            p += 2;
        } else if (next == '?') {
            p = skipPast("?>", p + 2);
        } else if (next == '!') {
            if (startsWith(p, "<!--")) {
                p = skipPast("-->", p + 4);
            } else if (startsWith(p, "<![CDATA[")) {
                p = skipPast("]]>", p + 9);
            } else {
                p += 2;  // a declaration: its own '<'s are counted by nothing
            }
        } else {
            const char* q = TagEnd(p + 1, end);
            if (q == end) return true;  // unfinished: the parser reports it
            if (q[-1] != '/' && ++depth > kMaxDepth) return false;
            p = q + 1;
        }
    }
    return true;
}

bool IsChat(const Node* node) {
    return node->type() == rapidxml::node_element && node->name_size() == 4 &&
           std::memcmp(node->name(), "chat", 4) == 0;
}

}  // namespace

std::wstring ChatElement::Attribute(const char* name) const {
    const auto* attribute = static_cast<const Node*>(node_)->first_attribute(name);
    return attribute ? Utf8ToWide(attribute->value(), attribute->value_size()) : std::wstring();
}

long long ChatElement::Integer(const char* name) const {
    // The parser ends every value with a zero in place.
    const auto* attribute = static_cast<const Node*>(node_)->first_attribute(name);
    return attribute ? std::strtoll(attribute->value(), nullptr, 10) : 0;
}

std::wstring ChatElement::Text() const {
    const auto* node = static_cast<const Node*>(node_);
    const Node* child = node->first_node();
    // The usual chat holds one piece of text: no copy to gather it.
    if (child && !child->next_sibling() && child->type() == rapidxml::node_data) {
        return Utf8ToWide(child->value(), child->value_size());
    }
    std::string text;
    AppendText(node, text);
    return Utf8ToWide(text.data(), text.size());
}

CommentReader::CommentReader() = default;
CommentReader::~CommentReader() = default;

bool CommentReader::Load(const std::string& path) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes, error_)) {
        doc_.reset();
        chats_.clear();
        return false;
    }
    return LoadText(std::move(bytes));
}

bool CommentReader::LoadText(std::string bytes) {
    doc_.reset();
    chats_.clear();
    error_.clear();
    if (!ToUtf8(bytes, error_)) return false;
    NormaliseLineEnds(bytes);
    if (!NestingWithinLimit(bytes)) {
        error_ = "elements nested deeper than " + std::to_string(kMaxDepth);
        return false;
    }

    auto doc = std::make_unique<Document>();
    doc->bytes = std::move(bytes);
    try {
        // The text is parsed in place: entity and character references are
        // resolved, whitespace-only text between elements is dropped.
        doc->xml.parse<rapidxml::parse_validate_closing_tags>(&doc->bytes[0]);
    } catch (const rapidxml::parse_error& e) {
        error_ = std::string(e.what()) + " at byte " +
                 std::to_string(e.where<char>() - doc->bytes.data());
        return false;
    }

    const Node* root = nullptr;
    for (const Node* node = doc->xml.first_node(); node; node = node->next_sibling()) {
        if (node->type() != rapidxml::node_element) continue;
        if (root) {
            error_ = "more than one root element";
            return false;
        }
        root = node;
    }
    if (!root) {
        error_ = "no root element";
        return false;
    }

    // Depth first, in document order, without recursion: a file may nest deep.
    const Node* node = root->first_node();
    while (node) {
        if (IsChat(node)) chats_.push_back(ChatElement(node));
        if (node->first_node()) {
            node = node->first_node();
            continue;
        }
        while (node != root && !node->next_sibling()) node = node->parent();
        if (node == root) break;
        node = node->next_sibling();
    }
    doc_ = std::move(doc);
    return true;
}
