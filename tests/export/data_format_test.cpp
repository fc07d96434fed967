#include "export/data_format.h"

#include <gtest/gtest.h>

namespace {

TEST(DataFormat, JsonAndCsvTextsKeepEveryCharacter) {
    const struct {
        const char* text;
        const char* json;
        const char* csv;
    } rows[] = {
        {u8"わこつ", u8"\"わこつ\"", u8"わこつ"},
        {"", "\"\"", ""},
        {u8"say \"ソ表\\予\"", u8"\"say \\\"ソ表\\\\予\\\"\"", u8"\"say \"\"ソ表\\予\"\"\""},
        {u8"AA\nの\r\n2行", u8"\"AA\\nの\\r\\n2行\"", u8"\"AA\nの\r\n2行\""},
        {"a,b", "\"a,b\"", "\"a,b\""},
        {" =1+1 ", "\" =1+1 \"", "\" =1+1 \""},
        {"\t\x01\x7F", "\"\\t\\u0001\\u007f\"", "\"\t\x01\x7F\""},
        {u8"😀한글", u8"\"😀한글\"", u8"😀한글"},
        // Bytes that are not UTF-8 (a code page 932 あ, a cut sequence) become U+FFFD.
        {"x\x82\xA0y\xE3\x81", u8"\"x\uFFFD\uFFFDy\uFFFD\uFFFD\"", u8"x\uFFFD\uFFFDy\uFFFD\uFFFD"},
    };
    for (const auto& r : rows) {
        std::string json, csv;
        AppendJsonString(json, r.text);
        AppendCsvField(csv, r.text);
        EXPECT_EQ(json, r.json) << r.text;
        EXPECT_EQ(csv, r.csv) << r.text;
    }
}

// Long texts are searched sixteen bytes at a time: an escape at every place
// of plain ASCII and of Japanese text.
TEST(DataFormat, JsonEscapesAtEveryPlaceOfALongText) {
    const struct {
        char byte;
        const char* escaped;
    } specials[] = {{'"', "\\\""}, {'\\', "\\\\"}, {'\n', "\\n"}, {'\x01', "\\u0001"}, {'\x7F', "\\u007f"}};
    for (const std::string& filler : {std::string("comment text here "), std::string(u8"ソ表予わこつ")}) {
        std::string base;
        while (base.size() < 48) base += filler;
        for (const auto& special : specials) {
            for (std::size_t at = 0; at < base.size(); ++at) {
                if ((base[at] & 0xC0) == 0x80) continue;  // inside a character
                std::string text = base, json;
                const std::size_t size = (base[at] & 0x80) ? ((base[at] & 0xF0) == 0xE0 ? 3 : 2) : 1;
                text.replace(at, size, 1, special.byte);
                AppendJsonString(json, text);
                EXPECT_EQ(json, "\"" + base.substr(0, at) + special.escaped + base.substr(at + size) + "\"")
                    << "byte " << int(special.byte) << " at " << at;
            }
        }
    }
}

TEST(DataFormat, LocalTimeCarriesItsOffset) {
    std::tm local{};
    local.tm_year = 110, local.tm_mon = 0, local.tm_mday = 1, local.tm_hour = 9, local.tm_sec = 1;
    EXPECT_EQ(IsoLocalTime(local, 1262304001), "2010-01-01T09:00:01+09:00");
    EXPECT_EQ(IsoLocalTime(local, 1262304001 + 9 * 3600), "2010-01-01T09:00:01+00:00");
    EXPECT_EQ(IsoLocalTime(local, 1262304001 + 14 * 3600 + 30 * 60), "2010-01-01T09:00:01-05:30");
    local.tm_year = 100, local.tm_mon = 1, local.tm_mday = 29, local.tm_hour = 0;  // a leap day
    EXPECT_EQ(IsoLocalTime(local, 951782401), "2000-02-29T00:00:01+00:00");
    EXPECT_EQ(ColourText(0xC000FF), "#C000FF");
}

TEST(DataFormat, MissingNumbersOfAHistoryWithGaps) {
    NumberRanges numbers;
    // Two histories fetched apart, one out of order, with repeats.
    for (long long no : {5, 6, 7, 12, 11, 7, 20, 3, 4, 21, 2}) numbers.Add(no);
    EXPECT_EQ(numbers.Min(), 2);
    EXPECT_EQ(numbers.Max(), 21);
    using Gaps = std::vector<std::pair<long long, long long>>;
    EXPECT_EQ(numbers.Missing(), (Gaps{{8, 10}, {13, 19}}));
    for (long long no = 8; no <= 19; ++no) numbers.Add(no);
    numbers.Add(-1);
    EXPECT_EQ(numbers.Missing(), Gaps{});
    EXPECT_EQ(numbers.Min(), 2);
}

TEST(DataFormat, RowsInBothFormats) {
    DataRow row;
    row.thread = "1234567890";
    row.hasNo = true, row.no = 3;
    row.hasVpos = true, row.vposMs = 12340;
    row.mail = "184 ue red";
    row.look = ReadMailCommands(L"184 ue red");
    row.userId = "Xk3_pQ9-zR";
    row.premium = true;
    row.text = u8"赤い,上";
    std::string json, csv;
    AppendDataRow(json, DataFormat::JsonLines, row);
    AppendCsvHeader(csv);
    AppendDataRow(csv, DataFormat::Csv, row);
    EXPECT_EQ(json,
              u8"{\"thread\":\"1234567890\",\"no\":3,\"vpos_ms\":12340,\"date\":null,\"date_iso\":null,"
              u8"\"mail\":\"184 ue red\",\"position\":\"ue\",\"size\":\"medium\",\"color\":\"#FF0000\","
              u8"\"user_id\":\"Xk3_pQ9-zR\",\"premium\":true,\"anonymity\":false,\"deleted\":0,"
              u8"\"text\":\"赤い,上\"}\n");
    EXPECT_EQ(csv,
              u8"thread,no,vpos_ms,date,date_iso,mail,position,size,color,user_id,premium,anonymity,deleted,"
              u8"text\r\n1234567890,3,12340,,,184 ue red,ue,medium,#FF0000,Xk3_pQ9-zR,1,0,0,\"赤い,上\"\r\n");
}

}  // namespace
