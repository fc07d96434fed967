// The extension check is met through the window's drops (tests/window).
#include "jobs/file_drop.h"

#include <gtest/gtest.h>

#include "settings/settings.h"

namespace {

TEST(FileDrop, VideoAddressFromTheFirstPatternThatMatches) {
    const std::pair<const wchar_t*, const char*> rows[] = {
        {L"C:\\動画\\予告編ソース表示(sm9).xml", "sm9"},
        {L"C:\\動画\\[4096] 表計算ソフト講座.mp4", "4096"},
        {L"C:\\動画\\title 1234.mp4", "1234"},
        {L"C:\\動画\\title_1234.mp4", ""},
        {L"C:\\1234 保存\\title_5678.mp4", "1234"},  // a folder counts too
        {L"C:\\動画\\(2345) sm123.mp4", "sm123"},    // the first pattern wins
        {L"C:\\動画\\am12 fz34.flv", "am12"},
        {L"C:\\動画\\{4096].flv", "4096"},    // brackets of two kinds
        {L"C:\\動画\\【5555】.flv", "5555"},  // full-width brackets are non-word characters
        {L"C:\\動画\\(123).flv", ""},
        // A character's second byte is never a bracket, "\" or a non-word character.
        {L"C:\\動画\\ゼ1234].mp4", ""},
        {L"C:\\動画\\ボ1234}.mp4", ""},
        {L"C:\\動画\\表1234.mp4", ""},
        {L"C:\\動画\\予1234ソ.mp4", ""},
        // Names the code page lacks characters of.
        {L"C:\\Users\\Jos\u00E9 \uD55C\uAD6D\\\U0001F600 \u5F39\u5E55 (sm77).mp4", "sm77"},
        {L"C:\\\uD55C\uAD6D\\\U0001F600[2468].mp4", "2468"},
    };
    const std::string prefix = App().settings.site.WatchPrefix();
    for (const auto& [path, part] : rows) {
        EXPECT_EQ(ExtractVideoAddress(path), *part ? prefix + part : "") << part;
    }
}

}  // namespace
