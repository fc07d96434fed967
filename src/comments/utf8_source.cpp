#include "comments/utf8_source.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "comments/xml_chars.h"
#include "support/byte_scan.h"

namespace {

constexpr std::size_t kStart = 4096;  // read first, for the encoding
// The fuzz build makes it small, so that characters are cut between pieces.
#ifndef KOMETORI_READER_PIECE
#define KOMETORI_READER_PIECE (256 * 1024)
#endif
constexpr std::size_t kRawPiece = KOMETORI_READER_PIECE;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool SameNameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The encoding an XML declaration names; false when we do not read it.
bool NamedEncoding(std::string_view name, Encoding& encoding) {
    static const struct {
        const char* name;
        Encoding encoding;
    } known[] = {{"utf-8", Encoding::Utf8},
                 {"shift_jis", Encoding::ShiftJis},
                 {"shift-jis", Encoding::ShiftJis},
                 {"sjis", Encoding::ShiftJis},
                 {"windows-31j", Encoding::ShiftJis},
                 {"cp932", Encoding::ShiftJis},
                 {"x-sjis", Encoding::ShiftJis},
                 {"ms_kanji", Encoding::ShiftJis},
                 {"csshiftjis", Encoding::ShiftJis},
                 {"euc-jp", Encoding::EucJp},
                 {"x-euc-jp", Encoding::EucJp},
                 {"iso-2022-jp", Encoding::Iso2022Jp},
                 {"csiso2022jp", Encoding::Iso2022Jp},
                 {"iso-8859-1", Encoding::Latin1},
                 {"latin1", Encoding::Latin1},
                 {"us-ascii", Encoding::Ascii}};
    for (const auto& k : known) {
        if (SameNameNoCase(name, k.name)) {
            encoding = k.encoding;
            return true;
        }
    }
    return false;
}

// The XML declaration at the start of a file in an encoding that agrees with
// ASCII: version, encoding and standalone, each at most once. Anything else
// (a misspelt "encodin") is refused rather than read as UTF-8. White space
// before it is let pass: the encodings agree on it.
bool DeclaredEncoding(std::string_view start, Encoding& encoding, std::string& error) {
    encoding = Encoding::Utf8;
    std::size_t i = 0;
    while (i < start.size() && IsBlank(start[i])) ++i;
    if (start.compare(i, 5, "<?xml") != 0 || i + 5 >= start.size() || !(IsBlank(start[i + 5]) || start[i + 5] == '?')) {
        return true;
    }
    error = "XML 宣言を読み取れません";
    i += 5;
    bool seen[3] = {};
    for (;;) {
        const std::size_t gap = i;
        while (i < start.size() && IsBlank(start[i])) ++i;
        if (start.compare(i, 2, "?>") == 0) break;
        if (i == gap) return false;
        const std::size_t nameAt = i;
        while (i < start.size() && start[i] >= 'a' && start[i] <= 'z') ++i;
        const std::string_view name = start.substr(nameAt, i - nameAt);
        while (i < start.size() && IsBlank(start[i])) ++i;
        if (i >= start.size() || start[i] != '=') return false;
        ++i;
        while (i < start.size() && IsBlank(start[i])) ++i;
        if (i >= start.size() || (start[i] != '"' && start[i] != '\'')) return false;
        const std::size_t close = start.find(start[i], i + 1);
        if (close == std::string_view::npos) return false;
        const std::string_view value = start.substr(i + 1, close - i - 1);
        i = close + 1;
        const int which = name == "version" ? 0 : name == "encoding" ? 1 : name == "standalone" ? 2 : -1;
        if (which < 0 || seen[which]) return false;
        seen[which] = true;
        if (which == 1 && !NamedEncoding(value, encoding)) {
            error = SameNameNoCase(value, "utf-16") ? "UTF-16 と宣言されていますが、UTF-16 のファイルではありません"
                                                    : "対応していない文字コードです: " + std::string(value);
            return false;
        }
    }
    error.clear();
    return true;
}

// The byte-order mark, a declaration of UTF-16 without one (the first
// characters "<?" tell the byte order), or the declaration.
bool Detect(std::string_view start, Encoding& encoding, std::size_t& bom, std::string& error) {
    bom = 0;
    if (start.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        encoding = Encoding::Utf8;
        bom = 3;
    } else if (start.compare(0, 2, "\xFF\xFE") == 0 || start.compare(0, 4, std::string_view("<\0?\0", 4)) == 0) {
        encoding = Encoding::Utf16Le;
        bom = start[0] == '<' ? 0 : 2;
    } else if (start.compare(0, 2, "\xFE\xFF") == 0 || start.compare(0, 4, std::string_view("\0<\0?", 4)) == 0) {
        encoding = Encoding::Utf16Be;
        bom = start[0] == '\0' ? 0 : 2;
    } else {
        return DeclaredEncoding(start, encoding, error);
    }
    return true;
}

}  // namespace

Utf8Source::Utf8Source() = default;
Utf8Source::~Utf8Source() = default;

bool Utf8Source::OpenFile(const std::wstring& path, ByteWatcher* watcher) {
    bytes_.clear();
    watcher_ = watcher;
    file_ = OpenFileBytes(path, error_);
    return file_ && Start();
}

bool Utf8Source::OpenBytes(std::string bytes) {
    file_.reset();
    watcher_ = nullptr;
    bytes_ = std::move(bytes);
    bytesAt_ = 0;
    return Start();
}

bool Utf8Source::ReadRaw(char* out, std::size_t room, std::size_t& got) {
    got = 0;
    if (rawEnd_ || room == 0) return true;
    if (!file_) {
        got = std::min(room, bytes_.size() - bytesAt_);
        std::memcpy(out, bytes_.data() + bytesAt_, got);
        bytesAt_ += got;
    } else if (!file_->Read(out, room, got, error_)) {
        rawEnd_ = true;
        return false;
    } else if (watcher_ && got > 0) {
        watcher_->Seen(out, got);
    }
    if (got == 0) rawEnd_ = true;
    return true;
}

bool Utf8Source::Start() {
    error_.clear();
    rawEnd_ = false;
    lastWasCr_ = false;
    controls_ = 0;
    decoded_.clear();
    readyAt_ = readyEnd_ = 0;
    raw_.resize(kStart);
    std::size_t have = 0;
    while (have < raw_.size()) {
        std::size_t n = 0;
        if (!ReadRaw(&raw_[have], raw_.size() - have, n)) return false;
        if (n == 0) break;
        have += n;
    }
    raw_.resize(have);
    std::size_t bom = 0;
    if (!Detect(raw_, encoding_, bom, error_)) return false;
    raw_.erase(0, bom);
    rawOffset_ = bom;
    decoder_ = MakeDecoder(encoding_);
    return true;
}

bool Utf8Source::Fault(const std::string& what, unsigned long long at) {
    error_ = what + " (" + std::to_string(at + 1) + " バイト目)";
    return false;
}

bool Utf8Source::Produce() {
    if (!error_.empty()) return false;
    // What was handed out goes; the rest (a character cut by the last read) stays.
    if (decoder_) {
        decoded_.clear();
    } else {
        raw_.erase(0, readyEnd_);
        rawOffset_ += readyEnd_;
    }
    readyAt_ = readyEnd_ = 0;
    while (readyEnd_ == 0) {
        const std::size_t kept = raw_.size();
        std::size_t got = 0;
        raw_.resize(kept + kRawPiece);
        const bool read = ReadRaw(&raw_[kept], kRawPiece, got);
        raw_.resize(kept + got);
        if (!read) return false;
        if (raw_.empty()) return false;
        if (!decoder_) {
            TextFault fault;
            readyEnd_ = CheckUtf8(raw_.data(), raw_.size(), fault);
            while (fault == TextFault::Control) {  // one byte, let through
                ++controls_;
                ++readyEnd_;
                readyEnd_ += CheckUtf8(raw_.data() + readyEnd_, raw_.size() - readyEnd_, fault);
            }
            if (fault == TextFault::NotUtf8 || (rawEnd_ && readyEnd_ < raw_.size())) {
                return Fault("UTF-8 として読めないバイトがあります", rawOffset_ + readyEnd_);
            }
            continue;
        }
        std::size_t used = 0;
        if (!decoder_->Decode(raw_.data(), raw_.size(), rawEnd_, decoded_, used)) {
            return Fault(decoder_->Fault(), rawOffset_ + decoder_->FaultAt());
        }
        raw_.erase(0, used);
        rawOffset_ += used;
        readyEnd_ = decoded_.size();
        if (rawEnd_ && readyEnd_ == 0) return false;
    }
    return true;
}

std::size_t Utf8Source::Normalise(char* text, std::size_t size) {
    std::size_t in = 0;
    if (lastWasCr_ && size > 0 && text[0] == '\n') in = 1;
    lastWasCr_ = size > 0 && text[size - 1] == '\r';
    if (FindByte(text + in, text + size, '\r') == text + size) {
        if (in) std::memmove(text, text + 1, size - 1);
        return size - in;
    }
    std::size_t out = 0;
    for (; in < size; ++in) {
        char c = text[in];
        if (c == '\r') {
            c = '\n';
            if (in + 1 < size && text[in + 1] == '\n') ++in;
        }
        text[out++] = c;
    }
    return out;
}

std::size_t Utf8Source::Read(char* out, std::size_t room) {
    while (room > 0) {
        if (readyAt_ == readyEnd_ && !Produce()) return 0;
        const char* ready = decoder_ ? decoded_.data() : raw_.data();
        const std::size_t n = std::min(room, readyEnd_ - readyAt_);
        std::memcpy(out, ready + readyAt_, n);
        readyAt_ += n;
        const std::size_t kept = Normalise(out, n);
        if (kept > 0) return kept;
    }
    return 0;
}
