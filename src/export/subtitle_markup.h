// The pieces of a subtitle (ASS) file that come from one comment: its command
// words, its colours and its text, made safe for the subtitle's markup.
// Window-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class CommentPosition : std::uint8_t { Scroll, Top, Bottom };
enum class CommentSize : std::uint8_t { Medium, Big, Small };

struct CommentLook {
    CommentPosition position = CommentPosition::Scroll;
    CommentSize size = CommentSize::Medium;
    std::uint32_t colour = 0xFFFFFF;  // 0xRRGGBB
};

// The words of a "mail" attribute, separated by blanks. The first word of
// each kind counts; "184" and words we do not know are passed over.
CommentLook ReadMailCommands(const std::wstring& mail);
// The table's word for a position or a size ("naka", "big").
const wchar_t* MailWordFor(CommentPosition position);
const wchar_t* MailWordFor(CommentSize size);

// "&HBBGGRR&" for an override tag; with alpha (00 opaque, FF clear)
// "&HAABBGGRR" for a style line.
std::string AssColour(std::uint32_t rgb);
std::string AssStyleColour(std::uint32_t rgb, int alpha);
// Black around light text, white around dark text.
std::uint32_t OutlineColourFor(std::uint32_t rgb);

// The comment's lines as the subtitle shows them: line ends at the start and
// the end dropped, CR LF and lone CR read as line feeds, blanks kept.
std::vector<std::wstring> CommentLines(const std::wstring& text);
// One line that cannot open an override block or start an escape: braces
// become full-width braces, a backslash is followed by an invisible word
// joiner, tabs become spaces, other control characters are dropped.
std::wstring AssLineText(const std::wstring& line);
// The lines escaped and joined by "\N".
std::wstring AssText(const std::vector<std::wstring>& lines);

// "H:MM:SS.CC" from hundredths of a second; below 0 reads as 0.
std::string AssTime(long long hundredths);
