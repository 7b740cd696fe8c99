// tests/win/RegistryTest.cpp: TRegistry against the real registry, in a scratch key under HKEY_CURRENT_USER.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/Error.h"
#include "platform/Registry.h"

namespace {

const std::string kScratch = "Software\\VeltranaRegistryTest";

std::string Scratch(const std::string& below) { return kScratch + "\\" + below; }

void CreateKey(const std::string& path)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS)
        << path;
    RegCloseKey(key);
}

// Relative to its parent, so a long name does not make the whole path too long for Wine's ANSI calls.
void CreateKeyBelow(const std::string& parent, const std::string& name)
{
    HKEY parentKey = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, parent.c_str(), 0, KEY_ALL_ACCESS, &parentKey), ERROR_SUCCESS);
    HKEY key = nullptr;
    const LONG status =
        RegCreateKeyExA(parentKey, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegCloseKey(parentKey);
    ASSERT_EQ(status, ERROR_SUCCESS) << name;
    RegCloseKey(key);
}

bool KeyExists(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void SetValue(const std::string& path, const char* name, DWORD type, const std::vector<BYTE>& data)
{
    CreateKey(path);
    ASSERT_EQ(SHSetValueA(HKEY_CURRENT_USER, path.c_str(), name, type, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
}

std::vector<BYTE> Bytes(const char* text, std::size_t size)
{
    return std::vector<BYTE>(text, text + size);
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SHDeleteKeyA(HKEY_CURRENT_USER, kScratch.c_str());
        keysBefore_ = OpenRegistryKeyCount();
    }
    void TearDown() override
    {
        EXPECT_EQ(OpenRegistryKeyCount(), keysBefore_) << "a registry key was left open";
        SHDeleteKeyA(HKEY_CURRENT_USER, kScratch.c_str());
    }

    int keysBefore_ = 0;
};

TEST_F(RegistryTest, DeletesThreeLevelsOfSubkeysAndTheKey)
{
    for (const char* path : {"Tree\\A\\A1\\A1a", "Tree\\A\\A1\\A1b", "Tree\\A\\A2", "Tree\\B\\B1\\B1a", "Tree\\C"})
        CreateKey(Scratch(path));
    SetValue(Scratch("Tree\\A\\A1"), "v", REG_DWORD, Bytes("\1\0\0\0", 4));
    CreateKey(Scratch("Sibling"));

    TRegistry registry(KEY_ALL_ACCESS);
    EXPECT_TRUE(registry.DeleteKeyTree(Scratch("Tree")));

    EXPECT_FALSE(KeyExists(Scratch("Tree")));
    EXPECT_TRUE(KeyExists(Scratch("Sibling")));
    EXPECT_EQ(registry.CurrentKey(), nullptr);
}

TEST_F(RegistryTest, MissingKeyAnswersFalseAndChangesNothing)
{
    CreateKey(Scratch("Present\\Below"));

    TRegistry registry(KEY_ALL_ACCESS);
    EXPECT_FALSE(registry.DeleteKeyTree(Scratch("Missing")));
    EXPECT_FALSE(registry.DeleteKeyTree(Scratch("Present\\Missing")));

    EXPECT_TRUE(KeyExists(Scratch("Present\\Below")));
}

TEST_F(RegistryTest, LeadingBackslashAndPlainPathNameTheSameKey)
{
    for (const std::string& path : {"\\" + Scratch("Same"), Scratch("Same")}) {
        SCOPED_TRACE(path);
        CreateKey(Scratch("Same\\Below"));
        TRegistry registry(KEY_ALL_ACCESS);
        EXPECT_TRUE(registry.DeleteKeyTree(path));
        EXPECT_FALSE(KeyExists(Scratch("Same")));
    }
}

TEST_F(RegistryTest, WithACurrentKeyRelativePathsStartThereAndAbsoluteOnesAtTheRoot)
{
    CreateKey(Scratch("Current\\Child\\Grandchild"));
    CreateKey(Scratch("Child"));

    TRegistry registry(KEY_ALL_ACCESS);
    ASSERT_TRUE(registry.OpenOrCreateKey(Scratch("Current")));
    EXPECT_TRUE(registry.DeleteKeyTree("Child"));
    EXPECT_FALSE(KeyExists(Scratch("Current\\Child")));
    EXPECT_TRUE(KeyExists(Scratch("Child")));

    EXPECT_TRUE(registry.DeleteKeyTree("\\" + Scratch("Child")));
    EXPECT_FALSE(KeyExists(Scratch("Child")));
}

TEST_F(RegistryTest, TreeDeletionLeavesTheCurrentKeyOpenAndUsable)
{
    SetValue(Scratch("Keep"), "Welcome", REG_DWORD, Bytes("\7\0\0\0", 4));
    CreateKey(Scratch("Keep\\Child\\Grandchild"));
    CreateKey(Scratch("Gone\\x\\y"));

    TRegistry registry(KEY_ALL_ACCESS);
    ASSERT_TRUE(registry.OpenOrCreateKey(Scratch("Keep")));
    const HKEY current = registry.CurrentKey();
    EXPECT_EQ(OpenRegistryKeyCount(), keysBefore_ + 1);

    EXPECT_TRUE(registry.DeleteKeyTree("\\" + Scratch("Gone")));
    EXPECT_TRUE(registry.DeleteKeyTree("Child"));

    EXPECT_EQ(registry.CurrentKey(), current);
    EXPECT_EQ(registry.CurrentPath(), Scratch("Keep"));
    EXPECT_EQ(OpenRegistryKeyCount(), keysBefore_ + 1);
    EXPECT_EQ(registry.ReadIntegerValue("Welcome"), 7);
    EXPECT_FALSE(KeyExists(Scratch("Gone")));
    EXPECT_FALSE(KeyExists(Scratch("Keep\\Child")));
}

struct ReadCase {
    const char* label;
    bool hasValue;
    DWORD type;
    std::vector<BYTE> data;
    std::int32_t expected;
    const char* error;  // expected what(), or null when the read succeeds
};

TEST_F(RegistryTest, ReadIntegerValueAnswersOnlyFourByteIntegers)
{
    const char* failed = "Failed to get data for 'Welcome'";
    const char* invalid = "Invalid data type for 'Welcome'";
    const std::vector<ReadCase> cases = {
        {"empty key", false, REG_NONE, {}, 0, failed},
        {"dword 1", true, REG_DWORD, Bytes("\1\0\0\0", 4), 1, nullptr},
        {"dword -2", true, REG_DWORD, Bytes("\xFE\xFF\xFF\xFF", 4), -2, nullptr},
        {"binary of 4 bytes", true, REG_BINARY, Bytes("\1\0\0\0", 4), 0, invalid},
        {"binary of 8 bytes", true, REG_BINARY, Bytes("\1\0\0\0\0\0\0\0", 8), 0, failed},
        {"text of 3 characters", true, REG_SZ, Bytes("abc", 4), 0, invalid},
        {"text of 4 characters", true, REG_SZ, Bytes("abcd", 5), 0, failed},
        {"expandable text", true, REG_EXPAND_SZ, Bytes("%a", 3), 0, invalid},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.label);
        SHDeleteKeyA(HKEY_CURRENT_USER, Scratch("Read").c_str());
        if (c.hasValue)
            SetValue(Scratch("Read"), "Welcome", c.type, c.data);
        TRegistry registry(KEY_ALL_ACCESS);
        ASSERT_TRUE(registry.OpenOrCreateKey(Scratch("Read")));
        try {
            const std::int32_t value = registry.ReadIntegerValue("Welcome");
            EXPECT_EQ(c.error, nullptr) << "answered " << value;
            EXPECT_EQ(value, c.expected);
        } catch (const Error& error) {
            ASSERT_NE(c.error, nullptr) << error.what();
            EXPECT_STREQ(error.what(), c.error);
            EXPECT_EQ(error.Kind(), ErrorKind::ERegistryException);
        }
    }
}

TEST_F(RegistryTest, ReadingWithoutACurrentKeyFails)
{
    TRegistry registry(KEY_ALL_ACCESS);
    try {
        registry.ReadIntegerValue("Welcome");
        ADD_FAILURE() << "no error raised";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "Failed to get data for 'Welcome'");
    }
}

TEST_F(RegistryTest, UseRootKeyClosesTheCurrentKeyOnlyForAnotherRoot)
{
    TRegistry registry(KEY_ALL_ACCESS);
    EXPECT_EQ(registry.RootKey(), HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenOrCreateKey(kScratch));
    const HKEY current = registry.CurrentKey();

    registry.UseRootKey(HKEY_CURRENT_USER);
    EXPECT_EQ(registry.CurrentKey(), current);
    EXPECT_EQ(registry.CurrentPath(), kScratch);

    registry.UseRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(registry.RootKey(), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(registry.CurrentKey(), nullptr);
    EXPECT_EQ(registry.CurrentPath(), "");
    EXPECT_EQ(OpenRegistryKeyCount(), keysBefore_);
}

TEST_F(RegistryTest, OpenOrCreateKeyJoinsRelativePathsToTheCurrentPath)
{
    TRegistry registry(KEY_ALL_ACCESS);
    ASSERT_TRUE(registry.OpenOrCreateKey(kScratch));
    EXPECT_EQ(registry.CurrentPath(), kScratch);

    ASSERT_TRUE(registry.OpenOrCreateKey("A\\B"));
    EXPECT_EQ(registry.CurrentPath(), Scratch("A\\B"));
    EXPECT_TRUE(KeyExists(Scratch("A\\B")));

    ASSERT_TRUE(registry.OpenOrCreateKey("\\" + Scratch("C")));
    EXPECT_EQ(registry.CurrentPath(), Scratch("C"));
    EXPECT_TRUE(KeyExists(Scratch("C")));
    EXPECT_EQ(OpenRegistryKeyCount(), keysBefore_ + 1);

    registry.CloseCurrentKey();
    EXPECT_EQ(registry.CurrentKey(), nullptr);
    EXPECT_EQ(registry.CurrentPath(), "");
}

TEST_F(RegistryTest, FailedOpenChangesNothing)
{
    TRegistry registry(KEY_ALL_ACCESS);
    ASSERT_TRUE(registry.OpenOrCreateKey(kScratch));
    const HKEY current = registry.CurrentKey();

    // A key name may not exceed 255 characters.
    EXPECT_FALSE(registry.OpenOrCreateKey(std::string(300, 'n')));

    EXPECT_EQ(registry.CurrentKey(), current);
    EXPECT_EQ(registry.CurrentPath(), kScratch);
}

TEST_F(RegistryTest, DeletesAWideAndDeepTree)
{
    // A chain 30 levels deep with six leaves at every level, one of them with
    // a name of the greatest length a key name may have.
    std::string level = Scratch("Deep");
    for (int depth = 0; depth < 30; ++depth) {
        level += "\\L" + std::to_string(depth);
        for (int leaf = 0; leaf < 5; ++leaf)
            CreateKey(level + "\\leaf" + std::to_string(leaf));
        CreateKeyBelow(level, std::string(255, static_cast<char>('a' + depth % 26)));
    }

    TRegistry registry(KEY_ALL_ACCESS);
    EXPECT_TRUE(registry.DeleteKeyTree(Scratch("Deep")));
    EXPECT_FALSE(KeyExists(Scratch("Deep")));
}

TEST_F(RegistryTest, DeletesDoubleByteNamesOfTheGreatestLength)
{
    if (GetACP() != 949)
        GTEST_SKIP() << "needs the Korean ANSI code page";
    // 255 Hangul syllables: 255 characters, but 510 bytes in code page 949.
    std::string name;
    for (int i = 0; i < 255; ++i)
        name += "\xB0\xA1";
    CreateKey(Scratch("Wide"));
    CreateKeyBelow(Scratch("Wide"), name);
    CreateKeyBelow(Scratch("Wide"), "short");

    TRegistry registry(KEY_ALL_ACCESS);
    EXPECT_TRUE(registry.DeleteKeyTree(Scratch("Wide")));
    EXPECT_FALSE(KeyExists(Scratch("Wide")));
}

}  // namespace
