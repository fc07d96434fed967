#include "comments/text_decoders.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "comments/reader_platform.h"
#include "comments/xml_chars.h"

namespace {

// UTF-16 in either byte order, surrogate pairs checked.
class Utf16Decoder : public TextDecoder {
public:
    explicit Utf16Decoder(bool bigEndian) : bigEndian_(bigEndian) {}

    bool Decode(const char* raw, std::size_t size, bool end, std::string& out, std::size_t& used) override {
        const auto* p = reinterpret_cast<const unsigned char*>(raw);
        auto unit = [&](std::size_t i) -> std::uint32_t {
            return bigEndian_ ? p[i] << 8 | p[i + 1] : p[i] | p[i + 1] << 8;
        };
        std::size_t i = 0;
        while (size - i >= 2) {
            std::uint32_t code = unit(i);
            std::size_t width = 2;
            if (code >= 0xD800 && code <= 0xDBFF) {
                if (size - i < 4) break;  // its partner is in the next piece
                const std::uint32_t low = unit(i + 2);
                if (low < 0xDC00 || low > 0xDFFF) return RefuseBytes(Encoding::Utf16Le, i);
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                width = 4;
            } else if (code >= 0xDC00 && code <= 0xDFFF) {
                return RefuseBytes(Encoding::Utf16Le, i);
            }
            if (IsForbiddenControl(code)) ++controls_;
            AppendUtf8Code(code, out);
            i += width;
        }
        if (end && i < size) return RefuseBytes(Encoding::Utf16Le, i);  // an odd byte or half a pair at the end
        used = i;
        return true;
    }

private:
    const bool bigEndian_;
};

// ISO-8859-1 (every byte is the code point) and US-ASCII (bytes below 0x80).
class SingleByteDecoder : public TextDecoder {
public:
    explicit SingleByteDecoder(Encoding encoding) : encoding_(encoding) {}

    bool Decode(const char* raw, std::size_t size, bool, std::string& out, std::size_t& used) override {
        for (std::size_t i = 0; i < size; ++i) {
            const auto b = static_cast<unsigned char>(raw[i]);
            if (IsForbiddenControl(b)) ++controls_;
            if (b >= 0x80 && encoding_ == Encoding::Ascii) return RefuseBytes(encoding_, i);
            AppendUtf8Code(b, out);
        }
        used = size;
        return true;
    }

private:
    const Encoding encoding_;
};

bool IsSjisLead(unsigned b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsSjisTrail(unsigned b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
bool IsEucByte(unsigned b) { return b >= 0xA1 && b <= 0xFE; }

// Shift_JIS (code page 932) and EUC-JP: the byte structure is checked here, so
// that a broken character can never take the byte after it along ('<' after a
// stray lead byte); which characters exist is the platform's table.
class JapaneseDecoder : public TextDecoder {
public:
    explicit JapaneseDecoder(Encoding encoding) : encoding_(encoding) {}

    bool Decode(const char* raw, std::size_t size, bool end, std::string& out, std::size_t& used) override {
        std::size_t whole = 0;
        if (!Walk(raw, size, end, whole, nullptr)) return false;
        const JapaneseCode code = encoding_ == Encoding::ShiftJis ? JapaneseCode::ShiftJis : JapaneseCode::EucJp;
        if (whole > 0 && !AppendJapaneseAsUtf8(code, raw, whole, out)) {
            return RefuseBytes(encoding_, FirstRefused(code, raw, whole));
        }
        used = whole;
        return true;
    }

private:
    // Checks the characters at the start of raw; whole is how many bytes they
    // take. starts, when given, receives where each begins.
    bool Walk(const char* raw, std::size_t size, bool end, std::size_t& whole, std::vector<std::size_t>* starts) {
        const auto* p = reinterpret_cast<const unsigned char*>(raw);
        std::size_t i = 0;
        while (i < size) {
            const unsigned b = p[i];
            std::size_t width = 1;
            if (b < 0x80) {
                if (IsForbiddenControl(b)) ++controls_;
            } else if (encoding_ == Encoding::ShiftJis) {
                if (b == 0x80 || b == 0xA0 || b >= 0xFD) return RefuseBytes(encoding_, i);
                if (IsSjisLead(b)) width = 2;
            } else if (b == 0x8F) {
                return Refuse("EUC-JP の補助漢字 (JIS X 0212) には対応していません", i);
            } else if (b == 0x8E || IsEucByte(b)) {
                width = 2;
            } else {
                return RefuseBytes(encoding_, i);
            }
            if (width == 2) {
                if (size - i < 2) break;
                const unsigned trail = p[i + 1];
                const bool fits = encoding_ == Encoding::ShiftJis ? IsSjisTrail(trail)
                                  : b == 0x8E                     ? trail >= 0xA1 && trail <= 0xDF
                                                                  : IsEucByte(trail);
                if (!fits) return RefuseBytes(encoding_, i);
            }
            if (starts) starts->push_back(i);
            i += width;
        }
        if (end && i < size) return RefuseBytes(encoding_, i);
        whole = i;
        return true;
    }

    // The offset of the first character the platform refuses, halving the
    // range each time: only a refused file pays for the search.
    std::size_t FirstRefused(JapaneseCode code, const char* raw, std::size_t size) {
        std::vector<std::size_t> starts;
        std::size_t whole = 0;
        Walk(raw, size, true, whole, &starts);
        starts.push_back(size);
        std::size_t low = 0, high = starts.size() - 1;  // the refused character is in [low, high)
        std::string scratch;
        while (high - low > 1) {
            const std::size_t middle = (low + high) / 2;
            scratch.clear();
            if (!AppendJapaneseAsUtf8(code, raw + starts[low], starts[middle] - starts[low], scratch)) {
                high = middle;
            } else {
                low = middle;
            }
        }
        return starts[low];
    }

    const Encoding encoding_;
};

// ISO-2022-JP: the escape sequences switch between ASCII (or JIS X 0201
// Roman), JIS X 0208 and half-width katakana; the characters are handed on as
// EUC-JP, which is the same table with the high bit set.
class Iso2022JpDecoder : public TextDecoder {
public:
    bool Decode(const char* raw, std::size_t size, bool end, std::string& out, std::size_t& used) override {
        const auto* p = reinterpret_cast<const unsigned char*>(raw);
        euc_.clear();
        std::size_t i = 0;
        while (i < size) {
            const unsigned b = p[i];
            if (b == 0x1B) {
                std::size_t length = 0;
                const Escape escape = ReadEscape(raw + i, size - i, length);
                if (escape == Escape::Cut && !end) break;
                if (escape == Escape::Cut || escape == Escape::Unknown) return RefuseBytes(Encoding::Iso2022Jp, i);
                mode_ = escape == Escape::Kanji ? Mode::Kanji : escape == Escape::Kana ? Mode::Kana : Mode::Ascii;
                i += length;
                continue;
            }
            if (b >= 0x80) return RefuseBytes(Encoding::Iso2022Jp, i);
            if (IsForbiddenControl(b)) ++controls_;
            if (mode_ == Mode::Ascii || b <= 0x20) {
                euc_ += static_cast<char>(b);  // blanks and line ends pass in every mode
                ++i;
            } else if (mode_ == Mode::Kana) {
                if (b > 0x5F) return RefuseBytes(Encoding::Iso2022Jp, i);
                euc_ += '\x8E';
                euc_ += static_cast<char>(b | 0x80);
                ++i;
            } else {
                if (size - i < 2) {
                    if (end) return RefuseBytes(Encoding::Iso2022Jp, i);
                    break;
                }
                const unsigned trail = p[i + 1];
                if (b == 0x7F || trail < 0x21 || trail > 0x7E) return RefuseBytes(Encoding::Iso2022Jp, i);
                euc_ += static_cast<char>(b | 0x80);
                euc_ += static_cast<char>(trail | 0x80);
                i += 2;
            }
        }
        // A code JIS X 0208 does not fill: where in the piece is not worth a search.
        if (!euc_.empty() && !AppendJapaneseAsUtf8(JapaneseCode::EucJp, euc_.data(), euc_.size(), out)) {
            return RefuseBytes(Encoding::Iso2022Jp, 0);
        }
        used = i;
        return true;
    }

private:
    enum class Mode { Ascii, Kanji, Kana };
    enum class Escape { Ascii, Kanji, Kana, Unknown, Cut };

    static Escape ReadEscape(const char* p, std::size_t size, std::size_t& length) {
        static const struct {
            const char* bytes;
            Escape escape;
        } known[] = {{"\x1B(B", Escape::Ascii},
                     {"\x1B(J", Escape::Ascii},
                     {"\x1B$@", Escape::Kanji},
                     {"\x1B$B", Escape::Kanji},
                     {"\x1B(I", Escape::Kana}};
        for (const auto& k : known) {
            const std::string_view bytes(k.bytes);
            const std::string_view here(p, std::min(size, bytes.size()));
            if (bytes.compare(0, here.size(), here) != 0) continue;
            if (here.size() < bytes.size()) return Escape::Cut;
            length = bytes.size();
            return k.escape;
        }
        return Escape::Unknown;
    }

    Mode mode_ = Mode::Ascii;
    std::string euc_;
};

}  // namespace

const char* EncodingName(Encoding encoding) {
    switch (encoding) {
        case Encoding::Utf8: return "UTF-8";
        case Encoding::Utf16Le:
        case Encoding::Utf16Be: return "UTF-16";
        case Encoding::ShiftJis: return "Shift_JIS";
        case Encoding::EucJp: return "EUC-JP";
        case Encoding::Iso2022Jp: return "ISO-2022-JP";
        case Encoding::Latin1: return "ISO-8859-1";
        case Encoding::Ascii: return "US-ASCII";
    }
    return "";
}

bool TextDecoder::Refuse(std::string what, std::size_t at) {
    fault_ = std::move(what);
    faultAt_ = at;
    return false;
}

bool TextDecoder::RefuseBytes(Encoding encoding, std::size_t at) {
    return Refuse(std::string(EncodingName(encoding)) + " として読めないバイトがあります", at);
}

std::unique_ptr<TextDecoder> MakeDecoder(Encoding encoding) {
    switch (encoding) {
        case Encoding::Utf16Le: return std::make_unique<Utf16Decoder>(false);
        case Encoding::Utf16Be: return std::make_unique<Utf16Decoder>(true);
        case Encoding::ShiftJis:
        case Encoding::EucJp: return std::make_unique<JapaneseDecoder>(encoding);
        case Encoding::Iso2022Jp: return std::make_unique<Iso2022JpDecoder>();
        case Encoding::Latin1:
        case Encoding::Ascii: return std::make_unique<SingleByteDecoder>(encoding);
        case Encoding::Utf8: break;
    }
    return nullptr;
}
