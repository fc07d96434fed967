#include "support/replacing_file.h"

#include <gtest/gtest.h>

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

}  // namespace
