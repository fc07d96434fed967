#include "support/replacing_file.h"

#include <gtest/gtest.h>

#include "support/text.h"
#include "testlib/temp_dir.h"

namespace {

TEST(ReplacingFile, TargetChangesOnlyOnCommit) {
    TempDir dir;
    const std::wstring target = dir.File(L"表示.xml");
    WriteFileBytes(target, "old");
    {
        ReplacingFile file;
        ASSERT_TRUE(file.Begin(target));
        ASSERT_TRUE(file.Write("half"));
    }  // abandoned
    EXPECT_EQ(ReadFileBytes(target), "old");
    EXPECT_EQ(ListFolder(dir.Path()).size(), 1u);

    ReplacingFile file;
    ASSERT_TRUE(file.Begin(target));
    ASSERT_TRUE(file.Write(std::string(300 * 1024, 'x')));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadFileBytes(target).size(), 300u * 1024);
    EXPECT_EQ(ListFolder(dir.Path()).size(), 1u);
    EXPECT_FALSE(file.Begin(dir.File(L"missing\\x.xml")));
}

// Beyond MAX_PATH - 14 characters, where GetTempFileName gives up (and Wine's
// wrote past its buffer): the temporary file still lies beside the target.
TEST(ReplacingFile, FolderLongerThanMaxPath) {
    TempDir dir;
    std::wstring folder = dir.WidePath();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(MakeFolder(folder += L"\\" + std::wstring(100, L'\uD55C')));
    ReplacingFile file;
    ASSERT_TRUE(file.Begin(folder + L"\\" + kEmojiName + L".xml"));
    EXPECT_EQ(FolderOfWide(file.TempPath()), folder);
    ASSERT_TRUE(file.Write("whole") && file.Commit());
    EXPECT_EQ(ReadFileBytes(folder + L"\\" + kEmojiName + L".xml"), "whole");
    EXPECT_EQ(ListFolder(folder).size(), 1u);
}

}  // namespace
