#include "export/subtitle_markup.h"

#include <gtest/gtest.h>

#include <climits>

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
        {L"  pink\tue\x3000"
         L"orange ",
         P::Top, S::Medium, 0xFF8080},  // blanks of any width; first colour counts
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

TEST(ReadMailCommands, DurationsEnderAndInvisible) {
    const struct {
        const wchar_t* mail;
        int duration;
        bool ender, invisible;
    } rows[] = {
        {L"@3", 300, false, false},         {L"ue @2.5 red", 250, false, false},
        {L"@1", 100, false, false},         {L"@60", 6000, false, false},
        {L"@0.99", 0, false, false},        {L"@61", 0, false, false},
        {L"@5 @7", 500, false, false},      {L"@x @ @-3 @3s", 0, false, false},
        {L"@1.234", 123, false, false},     {L"ENDER shita", 0, true, false},
        {L"invisible 184", 0, false, true}, {L"@99 @4 ender invisible", 400, true, true},
    };
    for (const auto& r : rows) {
        const CommentLook look = ReadMailCommands(r.mail);
        EXPECT_EQ(look.duration, r.duration) << r.mail;
        EXPECT_EQ(look.ender, r.ender) << r.mail;
        EXPECT_EQ(look.invisible, r.invisible) << r.mail;
    }
    EXPECT_EQ(ReadMailCommands(L"ender ue").position, P::Top) << "flags are not of the position's kind";
}

// Every character one reference pixel wide, a full-width one two.
class CountingWidths : public CharacterWidths {
public:
    int Advance(std::uint32_t code) override { return code >= 0x3000 ? 2 : 1; }
};

TEST(AppendAssText, NothingOpensMarkupAndLineEndsTrimmedAtTheEnds) {
    const struct {
        const char* text;
        const char* expected;
        std::size_t lines;
        long long widest;  // at one pixel a character, two a full-width one
    } rows[] = {
        {u8"わこつ", u8"わこつ", 1, 6},
        {u8"{\\b1}太字", u8"\uFF5B\\\u2060b1\uFF5D太字", 1, 11},
        {"a\\Nb\\nc\\hd", u8"a\\\u2060Nb\\\u2060nc\\\u2060hd", 1, 10},
        {u8"ソ表予\\", u8"ソ表予\\\u2060", 1, 7},
        {u8"  間に\t空白  ", u8"\\h\\h間に 空白\\h\\h", 1, 13},  // renderers drop spaces at the ends
        {"a\x01\x1F\x7F"
         "b",
         "ab", 1, 2},
        {u8"\U0001F600\u2060", u8"\U0001F600\u2060", 1, 2},  // the joiner of the text takes no room either
        {"\r\n\nAA\r\n  BB\rCC\n\n", "AA\\N\\h\\hBB\\NCC", 3, 4},
        {" \t\n \x01 a \n", "\\h\\h\\N\\h\\ha\\h", 2, 4},
        {"a\n\nb", "a\\N\\Nb", 3, 1},
        {"\n", "", 1, 0},
        {"", "", 1, 0},
    };
    CountingWidths widths;
    for (const auto& r : rows) {
        std::string out = "keep";
        const AssTextShape shape = AppendAssText(r.text, out, &widths);
        EXPECT_EQ(out, std::string("keep") + r.expected) << r.text;
        EXPECT_EQ(shape.lines, r.lines) << r.text;
        EXPECT_EQ(shape.widest, r.widest) << r.text;
    }
    // What a blank comment is: nothing but blanks of any width, line ends and dropped characters.
    for (const char* blank : {"", " ", u8"\u3000 \t\u3000", "\n \r\n", "\x01\x7F", u8"\u200B\u2060\uFEFF\u3164"}) {
        std::string out;
        EXPECT_FALSE(AppendAssText(blank, out, nullptr).visible) << blank;
    }
    for (const char* shown : {".", u8"\u3000ー", "{", "\\", u8"\U0001F600", " \xFF"}) {
        std::string out;
        EXPECT_TRUE(AppendAssText(shown, out, nullptr).visible) << shown;
    }
    std::string out;
    EXPECT_EQ(AppendAssText(u8"あいう\nab ", out, &widths).last, 3) << "the last line's advances";
    EXPECT_EQ(WidthAtSize(1025, 1), 2) << "rounded up";
    EXPECT_EQ(WidthAtSize(1536, 30), 45);
}

TEST(AssColours, BlueGreenRedWithAlphaAndAnEdgeThatShows) {
    char colours[20];
    EXPECT_EQ(std::string(colours, PutAssColour(PutAssColour(colours, 0xFF0000), 0x12ABEF)), "&H0000FF&&HEFAB12&");
    EXPECT_EQ(AssStyleColour(0xFFFFFF, 0), "&H00FFFFFF");
    EXPECT_EQ(AssStyleColour(0x00FF80, 0x80), "&H8080FF00");
    EXPECT_EQ(OutlineColourFor(0xFFFFFF), 0x000000u);
    EXPECT_EQ(OutlineColourFor(0xFF0000), 0x000000u);
    EXPECT_EQ(OutlineColourFor(0x000000), 0xFFFFFFu);
    EXPECT_EQ(OutlineColourFor(0x0000FF), 0xFFFFFFu);
}

TEST(PutAssTime, HoursMinutesSecondsHundredths) {
    const struct {
        long long hundredths;
        const char* expected;
    } rows[] = {{0, "0:00:00.00"}, {-50, "0:00:00.00"}, {12345, "0:02:03.45"}, {360000 * 12 + 5, "12:00:00.05"}};
    for (const auto& r : rows) {
        char text[32];
        EXPECT_EQ(std::string(text, PutAssTime(text, r.hundredths)), r.expected);
    }
}

TEST(PutDecimal, EveryNumberOfDigitsAndBothEnds) {
    for (long long value :
         {0LL, 7LL, 10LL, 99LL, 100LL, 101LL, 999LL, 1000LL, 1236384333LL, -1LL, -10LL, -100LL, LLONG_MAX, LLONG_MIN}) {
        char text[24];
        EXPECT_EQ(std::string(text, PutDecimal(text, value)), std::to_string(value));
    }
}

}  // namespace
