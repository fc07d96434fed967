#include "export/subtitle_markup.h"

#include <gtest/gtest.h>

namespace {

using P = CommentPosition;
using S = CommentSize;

TEST(ReadMailCommands, WordsOfTheTable) {
    const struct {
        const wchar_t* mail;
        P position;
        S size;
        std::uint32_t colour;
    } rows[] = {
        {L"", P::Scroll, S::Medium, 0xFFFFFF},
        {L"184", P::Scroll, S::Medium, 0xFFFFFF},
        {L"184 ue red big", P::Top, S::Big, 0xFF0000},
        {L"shita small #00ff80", P::Bottom, S::Small, 0x00FF80},
        {L"naka BLUE", P::Scroll, S::Medium, 0x0000FF},
        {L"  pink\tue\x3000" L"orange ", P::Top, S::Medium, 0xFF8080},  // blanks of any width; first colour counts
        {L"shita ue", P::Bottom, S::Medium, 0xFFFFFF},
        {L"#12345 #GG0000 red2 bigger ue", P::Top, S::Medium, 0xFFFFFF},  // not words we know
        {L"purple medium", P::Scroll, S::Medium, 0xC000FF},
        {L"yellow green cyan white black", P::Scroll, S::Medium, 0xFFFF00},
    };
    for (const auto& r : rows) {
        const CommentLook look = ReadMailCommands(r.mail);
        EXPECT_EQ(look.position, r.position) << r.mail;
        EXPECT_EQ(look.size, r.size) << r.mail;
        EXPECT_EQ(look.colour, r.colour) << r.mail;
    }
}

TEST(AssLineText, NothingOpensMarkup) {
    const struct {
        const wchar_t* line;
        const wchar_t* expected;
    } rows[] = {
        {L"わこつ", L"わこつ"},
        {L"{\\b1}太字", L"\xFF5B\\\x2060" L"b1\xFF5D太字"},
        {L"a\\Nb\\nc\\hd", L"a\\\x2060Nb\\\x2060nc\\\x2060hd"},
        {L"}{", L"\xFF5D\xFF5B"},
        {L"ソ表予\\", L"ソ表予\\\x2060"},
        {L"  間に\t空白  ", L"  間に 空白  "},
        {L"a\x01\x1F\x7F" L"b", L"ab"},
        {L"\xD83D\xDE00", L"\xD83D\xDE00"},  // a character outside the basic plane passes whole
    };
    for (const auto& r : rows) EXPECT_EQ(AssLineText(r.line), r.expected);
}

TEST(CommentLines, LineEndsTrimmedAtTheEndsKeptBetween) {
    using Lines = std::vector<std::wstring>;
    EXPECT_EQ(CommentLines(L"\r\n\nAA\r\n  BB\rCC\n\n"), (Lines{L"AA", L"  BB", L"CC"}));
    EXPECT_EQ(CommentLines(L"a\n\nb"), (Lines{L"a", L"", L"b"}));
    EXPECT_EQ(CommentLines(L" a "), (Lines{L" a "}));
    EXPECT_EQ(CommentLines(L"\n"), (Lines{L""}));
    EXPECT_EQ(AssText({L"{a}", L"b\\"}), L"\xFF5B" L"a\xFF5D\\Nb\\\x2060");
}

TEST(AssColours, BlueGreenRedWithAlphaAndAnEdgeThatShows) {
    EXPECT_EQ(AssColour(0xFF0000), "&H0000FF&");
    EXPECT_EQ(AssColour(0x12ABEF), "&HEFAB12&");
    EXPECT_EQ(AssStyleColour(0xFFFFFF, 0), "&H00FFFFFF");
    EXPECT_EQ(AssStyleColour(0x00FF80, 0x80), "&H8080FF00");
    EXPECT_EQ(OutlineColourFor(0xFFFFFF), 0x000000u);
    EXPECT_EQ(OutlineColourFor(0xFF0000), 0x000000u);
    EXPECT_EQ(OutlineColourFor(0x000000), 0xFFFFFFu);
    EXPECT_EQ(OutlineColourFor(0x0000FF), 0xFFFFFFu);
}

TEST(AssTime, HoursMinutesSecondsHundredths) {
    EXPECT_EQ(AssTime(0), "0:00:00.00");
    EXPECT_EQ(AssTime(-50), "0:00:00.00");
    EXPECT_EQ(AssTime(12345), "0:02:03.45");
    EXPECT_EQ(AssTime(360000 * 12 + 5), "12:00:00.05");
}

}  // namespace
