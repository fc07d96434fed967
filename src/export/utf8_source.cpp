#include "export/utf8_source.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "support/byte_scan.h"
#include "support/codepage.h"
#include "support/text.h"

namespace {

constexpr std::size_t kRawPiece = 256 * 1024;

// The code page named by the XML declaration; CP_UTF8 without one.
bool DeclaredCodePage(const std::string& start, UINT& codePage) {
    codePage = CP_UTF8;
    if (start.compare(0, 5, "<?xml") != 0) return true;
    std::string declaration = start.substr(0, start.find("?>"));
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

// How many leading bytes of raw hold whole characters of the code page, so
// that a piece never ends inside one.
std::size_t CompleteLength(UINT codePage, const std::string& raw) {
    if (codePage == 50220) {
        // Shift states: a line always ends back in ASCII, so cut after a line.
        auto lf = raw.rfind('\n');
        return lf == std::string::npos ? 0 : lf + 1;
    }
    if (codePage != 932 && codePage != 20932) return raw.size();
    std::size_t i = 0;
    while (i < raw.size()) {
        const auto b = static_cast<unsigned char>(raw[i]);
        std::size_t width = 1;
        if (codePage == 932) {
            width = ::IsDBCSLeadByteEx(932, b) ? 2 : 1;
        } else if (b >= 0x80) {
            width = b == 0x8F ? 3 : 2;  // EUC-JP: SS3 takes two more bytes
        }
        if (i + width > raw.size()) break;
        i += width;
    }
    return i;
}

std::string WideToUtf8Piece(const wchar_t* text, std::size_t size) {
    return WideToUtf8(std::wstring(text, size));
}

}  // namespace

bool Utf8Source::OpenFile(const std::string& path) {
    file_.reset(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_) {
        error_ = "cannot open the file (" + std::to_string(::GetLastError()) + ")";
        return false;
    }
    return Start();
}

bool Utf8Source::OpenBytes(std::string bytes) {
    file_.reset();
    bytes_ = std::move(bytes);
    bytesAt_ = 0;
    return Start();
}

std::size_t Utf8Source::ReadRaw(char* out, std::size_t room) {
    if (rawEnd_ || room == 0) return 0;
    if (!file_) {
        const std::size_t n = std::min(room, bytes_.size() - bytesAt_);
        std::memcpy(out, bytes_.data() + bytesAt_, n);
        bytesAt_ += n;
        if (n == 0) rawEnd_ = true;
        return n;
    }
    DWORD read = 0;
    if (!::ReadFile(file_.get(), out, static_cast<DWORD>(std::min<std::size_t>(room, 1u << 30)), &read, nullptr)) {
        error_ = "cannot read the file (" + std::to_string(::GetLastError()) + ")";
        rawEnd_ = true;
        return 0;
    }
    if (read == 0) rawEnd_ = true;
    return read;
}

bool Utf8Source::Start() {
    error_.clear();
    rawEnd_ = false;
    lastWasCr_ = false;
    converted_.clear();
    convertedAt_ = 0;
    raw_.resize(4096);
    std::size_t have = 0;
    while (have < raw_.size()) {
        const std::size_t n = ReadRaw(&raw_[have], raw_.size() - have);
        if (n == 0) break;
        have += n;
    }
    raw_.resize(have);
    if (!error_.empty()) return false;

    kind_ = Kind::Utf8;
    codePage_ = CP_UTF8;
    if (raw_.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        raw_.erase(0, 3);
    } else if (raw_.compare(0, 2, "\xFF\xFE") == 0 || raw_.compare(0, 2, "\xFE\xFF") == 0) {
        kind_ = raw_[0] == '\xFF' ? Kind::Utf16Le : Kind::Utf16Be;
        raw_.erase(0, 2);
    } else {
        if (!DeclaredCodePage(raw_, codePage_)) {
            error_ = "unsupported encoding";
            return false;
        }
        if (codePage_ != CP_UTF8) kind_ = Kind::CodePage;
    }
    return true;
}

bool Utf8Source::ConvertMore() {
    converted_.clear();
    convertedAt_ = 0;
    while (converted_.empty()) {
        const std::size_t kept = raw_.size();
        raw_.resize(kept + kRawPiece);
        raw_.resize(kept + ReadRaw(&raw_[kept], kRawPiece));
        const bool end = rawEnd_;
        if (raw_.empty()) return false;

        if (kind_ == Kind::CodePage) {
            const std::size_t whole = end ? raw_.size() : CompleteLength(codePage_, raw_);
            if (whole == 0) {
                if (end) return false;
                continue;
            }
            if (whole > INT_MAX) return false;
            const int wide = ::MultiByteToWideChar(codePage_, 0, raw_.data(), static_cast<int>(whole), nullptr, 0);
            if (wide <= 0) {
                error_ = "cannot convert the encoding";
                return false;
            }
            std::wstring text(static_cast<std::size_t>(wide), L'\0');
            ::MultiByteToWideChar(codePage_, 0, raw_.data(), static_cast<int>(whole), text.data(), wide);
            converted_ = WideToUtf8Piece(text.data(), text.size());
            raw_.erase(0, whole);
        } else {
            std::size_t units = raw_.size() / 2;  // an odd last byte at the end is dropped
            std::wstring text(units, L'\0');
            const bool little = kind_ == Kind::Utf16Le;
            for (std::size_t i = 0; i < units; ++i) {
                const auto a = static_cast<unsigned char>(raw_[2 * i]);
                const auto b = static_cast<unsigned char>(raw_[2 * i + 1]);
                text[i] = static_cast<wchar_t>(little ? (a | b << 8) : (a << 8 | b));
            }
            // A high surrogate waits for its partner in the next piece.
            if (!end && units > 0 && text[units - 1] >= 0xD800 && text[units - 1] <= 0xDBFF) --units;
            converted_ = WideToUtf8Piece(text.data(), units);
            raw_.erase(0, end ? raw_.size() : units * 2);
        }
        if (end && converted_.empty()) return false;
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
        std::size_t n = 0;
        if (kind_ == Kind::Utf8) {
            if (!raw_.empty()) {
                n = std::min(room, raw_.size());
                std::memcpy(out, raw_.data(), n);
                raw_.erase(0, n);
            } else {
                n = ReadRaw(out, room);
            }
        } else {
            if (convertedAt_ == converted_.size() && !ConvertMore()) return 0;
            n = std::min(room, converted_.size() - convertedAt_);
            std::memcpy(out, converted_.data() + convertedAt_, n);
            convertedAt_ += n;
        }
        if (n == 0) return 0;
        n = Normalise(out, n);
        if (n > 0) return n;
    }
    return 0;
}
