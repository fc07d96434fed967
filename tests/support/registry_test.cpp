// RegistryValue against the real registry of the Wine prefix, under a key of
// its own that each test makes afresh.
#include "support/registry.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

namespace {

const char kTestKey[] = "Software\\KometoriTest\\Registry";
const std::string kBase = std::string("HKEY_CURRENT_USER\\") + kTestKey + "\\";

class RegistryValueTest : public ::testing::Test {
protected:
    void SetUp() override { ::SHDeleteKeyA(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override { ::SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\KometoriTest"); }
    void Put(const std::string& name, DWORD type, const void* data, DWORD size) {
        RegistryValue value(kBase + name, RegistryValue::Open::CreateKey);
        ASSERT_TRUE(value.WriteData(type, data, size));
    }
};

TEST_F(RegistryValueTest, PathSplitsIntoRootSubKeyAndValue) {
    RegistryValue proxy(
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ProxyEnable");
    EXPECT_EQ(proxy.RootName(), "HKEY_CURRENT_USER");
    EXPECT_EQ(proxy.SubKey(), "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
    EXPECT_EQ(proxy.ValueName(), "ProxyEnable");
    // Empty components are dropped; a "\" that ends a double-byte character is no separator.
    RegistryValue odd("\\HKEY_CURRENT_USER\\\\Software\\予定表\\Value\\");
    EXPECT_EQ(odd.SubKey(), "Software\\予定表");
    EXPECT_EQ(odd.ValueName(), "Value");
}

TEST_F(RegistryValueTest, UnknownRootsAndMissingKeysStayClosed) {
    for (const char* path : {"hkey_current_user\\Software\\ProxyEnable", "HKCU\\Software\\ProxyEnable",
                             "HKEY_CURRENT_USER", "", "HKEY_CURRENT_USER\\Software\\KometoriTest\\NoSuchKey\\V"}) {
        RegistryValue value(path);
        EXPECT_FALSE(value.IsOpen()) << path;
        EXPECT_EQ(value.ValueType(), 0u) << path;
        EXPECT_EQ(value.ReadDword(), 0u) << path;
        EXPECT_FALSE(value.WriteDword(1)) << path;
        EXPECT_FALSE(value.WriteData(REG_DWORD, "\1\0\0\0", 4)) << path;
        EXPECT_FALSE(value.Flush()) << path;
    }
    // Opening never makes the key.
    EXPECT_FALSE(RegistryValue(kBase + "V").IsOpen());
}

TEST_F(RegistryValueTest, DwordReadsAndWritesKeepTypeAndExistence) {
    const DWORD one = 1;
    Put("Enable", REG_DWORD, &one, sizeof one);
    Put("Text", REG_SZ, "1", 2);
    const unsigned long long wide = 0x100000001ull;
    Put("Wide", REG_DWORD, &wide, sizeof wide);  // a DWORD of 8 bytes must not overrun the read

    RegistryValue enable(kBase + "Enable");
    EXPECT_EQ(enable.ValueType(), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(enable.ValueSize(), 4u);
    EXPECT_EQ(enable.ReadDword(), 1u);
    EXPECT_TRUE(enable.WriteDword(0));
    EXPECT_EQ(RegistryValue(kBase + "Enable").ReadDword(), 0u);

    RegistryValue text(kBase + "Text");
    EXPECT_EQ(text.ReadDword(), 0u);
    EXPECT_FALSE(text.WriteDword(0));
    char buffer[2] = {};
    ASSERT_TRUE(text.ReadData(buffer));
    EXPECT_STREQ(buffer, "1");
    EXPECT_EQ(text.ValueType(), static_cast<DWORD>(REG_SZ));

    EXPECT_EQ(RegistryValue(kBase + "Wide").ReadDword(), 0u);

    RegistryValue missing(kBase + "Missing");
    EXPECT_TRUE(missing.IsOpen());
    EXPECT_FALSE(missing.WriteDword(1));
    EXPECT_EQ(missing.ValueType(), 0u);

    // Root and value name only: the key is the root itself.
    RegistryValue atRoot("HKEY_CURRENT_USER\\KometoriTestValue");
    EXPECT_EQ(atRoot.SubKey(), "");
    ASSERT_TRUE(atRoot.WriteData(REG_DWORD, &one, sizeof one));
    EXPECT_EQ(RegistryValue("HKEY_CURRENT_USER\\KometoriTestValue").ReadDword(), 1u);
    EXPECT_TRUE(atRoot.Delete());
    EXPECT_EQ(atRoot.ValueType(), 0u);
}

}  // namespace
