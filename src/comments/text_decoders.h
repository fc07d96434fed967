// The encodings a comment file may come in, each decoded a piece at a time
// into UTF-8. A decoder refuses what is not a character of its encoding
// instead of replacing it: text is never changed without a word. The control
// characters XML forbids are characters too (comments hold them): they pass,
// counted.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

enum class Encoding { Utf8, Utf16Le, Utf16Be, ShiftJis, EucJp, Iso2022Jp, Latin1, Ascii };

// The name users know it by ("Shift_JIS").
const char* EncodingName(Encoding encoding);

class TextDecoder {
public:
    virtual ~TextDecoder() = default;

    // Appends the UTF-8 of the whole characters at the start of raw to out and
    // sets used to the bytes they took; the rest waits for the next piece
    // (with end set there is none: a character cut off is a fault). False on
    // a fault: Fault() says what, FaultAt() where (an offset into raw).
    virtual bool Decode(const char* raw, std::size_t size, bool end, std::string& out, std::size_t& used) = 0;

    const std::string& Fault() const { return fault_; }
    std::size_t FaultAt() const { return faultAt_; }
    // The control characters XML forbids among those decoded so far.
    std::size_t Controls() const { return controls_; }

protected:
    bool Refuse(std::string what, std::size_t at);
    // Not a character of the decoder's encoding.
    bool RefuseBytes(Encoding encoding, std::size_t at);

    std::size_t controls_ = 0;

private:
    std::string fault_;
    std::size_t faultAt_ = 0;
};

// Every encoding but UTF-8, which the source checks in place.
std::unique_ptr<TextDecoder> MakeDecoder(Encoding encoding);
