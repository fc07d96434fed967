// The pieces of a subtitle (ASS) file that come from one comment: its command
// words, its colours and its text, made safe for the subtitle's markup.
// Window-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class CommentPosition : std::uint8_t { Scroll, Top, Bottom };
enum class CommentSize : std::uint8_t { Medium, Big, Small };

struct CommentLook {
    CommentPosition position = CommentPosition::Scroll;
    CommentSize size = CommentSize::Medium;
    std::uint32_t colour = 0xFFFFFF;  // 0xRRGGBB
    int duration = 0;                 // "@N": hundredths shown or crossing, 0 the default
    bool ender = false;               // keeps its size however many lines it has
    bool invisible = false;           // drawn nothing
};

// The words of a "mail" attribute, separated by blanks. The first word of
// each kind counts ("@N" with N seconds from 1 to 60, decimals allowed, is a
// kind of its own); "184" and words we do not know are passed over.
CommentLook ReadMailCommands(const std::wstring& mail);
// The position a "mail" attribute (UTF-8 as the reader hands it out) asks
// for; scratch is the caller's room for its UTF-16. Most comments carry no
// command: an empty mail is not decoded at all.
CommentPosition MailPosition(std::string_view mail, std::wstring& scratch);
// The table's word for a position or a size ("naka", "big").
const wchar_t* MailWordFor(CommentPosition position);
const wchar_t* MailWordFor(CommentSize size);

// "&HAABBGGRR" for a style line, with alpha (00 opaque, FF clear).
std::string AssStyleColour(std::uint32_t rgb, int alpha);
// Black around light text, white around dark text.
std::uint32_t OutlineColourFor(std::uint32_t rgb);

// Characters are measured at this font size: large enough that rounding to
// whole pixels there does not show at a comment's size.
constexpr int kWidthReferenceSize = 1024;

// The advance widths of characters at the reference size.
class CharacterWidths {
public:
    virtual ~CharacterWidths() = default;
    virtual int Advance(std::uint32_t code) = 0;
};

struct AssTextShape {
    std::size_t lines = 1;
    long long widest = 0;  // the widest line's advances at the reference size
    long long last = 0;    // the last line's
    bool visible = false;  // anything but blanks, line ends and dropped characters
};

// Blanks that draw nothing: spaces of every width, the zero-width ones, the
// Hangul fillers.
bool IsInvisibleCharacter(std::uint32_t code);

// The comment's text (UTF-8) as the subtitle shows it, appended to out: line
// ends at the start and the end dropped, CR LF and lone CR read as line
// feeds, the lines joined by "\N", blanks kept (spaces at the start and the
// end of a line as hard spaces "\h", which renderers do not drop). Nothing can open an override
// block or start an escape: braces become full-width braces, a backslash is
// followed by an invisible word joiner, tabs become spaces, other control
// characters are dropped. Each line is measured by widths when given (the
// word joiner takes no room).
AssTextShape AppendAssText(std::string_view utf8, std::string& out, CharacterWidths* widths);
// Pixels of advances at the reference size, at the font size, rounded up.
int WidthAtSize(long long advances, int fontSize);

// Writers into a caller's buffer that return the end of what they wrote, so
// that an event's fields are built without a call per piece:
// the text up to its terminating zero;
char* PutText(char* at, const char* text);
// decimal digits, a "-" before a negative number (at most 20 bytes);
char* PutDecimal(char* at, long long number);
// the value's lowest digits in upper-case hexadecimal, 0 filled (digits bytes);
char* PutHex(char* at, std::uint32_t value, int digits);
// "H:MM:SS.CC" from hundredths of a second, below 0 read as 0 (at most 24);
char* PutAssTime(char* at, long long hundredths);
// "&HBBGGRR&" for an override tag (10).
char* PutAssColour(char* at, std::uint32_t rgb);
