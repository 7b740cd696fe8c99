// tests/win/RegistryStressTest.cpp: TRegistry on very deep, very wide and long-named key trees in the real registry.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace {

// One scratch key per process: the plain and the Korean run may share a prefix and run at once.
const std::wstring kScratchW = L"Software\\VeltranaRegistryStress" + std::to_wstring(GetCurrentProcessId());
const std::string kScratch = "Software\\VeltranaRegistryStress" + std::to_string(GetCurrentProcessId());

// A key handle of the test's own, closed on scope exit.
class Key {
public:
    explicit Key(HKEY key = nullptr) : key_(key) {}
    ~Key()
    {
        if (key_ != nullptr)
            RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY Get() const { return key_; }

private:
    HKEY key_;
};

// Creates `name` below an open parent; relative, so long trees never pass a long path to the registry.
HKEY CreateBelow(HKEY parent, const std::wstring& name)
{
    HKEY key = nullptr;
    const LONG status = RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    EXPECT_EQ(status, ERROR_SUCCESS) << name.size() << " characters";
    return status == ERROR_SUCCESS ? key : nullptr;
}

bool ScratchHas(const std::wstring& below)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (kScratchW + L"\\" + below).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

DWORD SubkeyCount(HKEY key)
{
    DWORD count = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    return count;
}

// Wine 8.0 answers every process's handle count with 0, so there this comparison holds trivially.
DWORD HandleCount()
{
    DWORD count = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &count) ? count : 0;
}

// Hangul syllables from U+AC00 on: each is two bytes in code page 949.
std::wstring Hangul(int count, int first = 0)
{
    std::wstring name;
    for (int i = 0; i < count; ++i)
        name += static_cast<wchar_t>(0xAC00 + (first + i) % 2350);
    return name;
}

class RegistryStressTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SHDeleteKeyW(HKEY_CURRENT_USER, kScratchW.c_str());
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kScratchW.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        scratch_ = key;
        keysBefore_ = OpenRegistryKeyCount();
        handlesBefore_ = HandleCount();
        start_ = GetTickCount();
    }
    void TearDown() override
    {
        RegCloseKey(scratch_);
        EXPECT_EQ(OpenRegistryKeyCount(), keysBefore_) << "a registry key was left open";
        EXPECT_EQ(HandleCount(), handlesBefore_) << "a handle was left open";
        SHDeleteKeyW(HKEY_CURRENT_USER, kScratchW.c_str());
    }

    // Deletes Scratch\<name> through the accessor and checks that nothing of it is left.
    void DeleteThroughAccessor(const std::wstring& name, const std::string& ansiName, const char* label)
    {
        const DWORD built = GetTickCount();
        {
            TRegistry registry(KEY_ALL_ACCESS);
            EXPECT_TRUE(registry.DeleteKeyTree(kScratch + "\\" + ansiName));
            EXPECT_EQ(registry.CurrentKey(), nullptr);
        }
        const DWORD done = GetTickCount();
        EXPECT_FALSE(ScratchHas(name)) << label << ": the key is still there";
        EXPECT_EQ(SubkeyCount(scratch_), 0u) << label;
        std::printf("  %s: created in %lu ms, deleted in %lu ms\n", label, static_cast<unsigned long>(built - start_),
                    static_cast<unsigned long>(done - built));
    }

    HKEY scratch_ = nullptr;
    int keysBefore_ = 0;
    DWORD handlesBefore_ = 0;
    DWORD start_ = 0;
};

TEST_F(RegistryStressTest, DeletesATreeAHundredLevelsDeep)
{
    // Names of 20 characters: the deepest key's full name is over 2,000 characters long.
    HKEY parent = CreateBelow(scratch_, L"Deep");
    ASSERT_NE(parent, nullptr);
    for (int depth = 0; depth < 100 && parent != nullptr; ++depth) {
        wchar_t name[32];
        std::swprintf(name, 32, L"level-%03d-xxxxxxxxxx", depth);
        Key sibling(CreateBelow(parent, std::wstring(name) + L"-leaf"));
        HKEY child = CreateBelow(parent, name);
        RegCloseKey(parent);
        parent = child;
    }
    ASSERT_NE(parent, nullptr);
    RegCloseKey(parent);
    DeleteThroughAccessor(L"Deep", "Deep", "100 levels deep");
}

TEST_F(RegistryStressTest, DeletesFiveThousandSubkeysOfOneKey)
{
    {
        Key wide(CreateBelow(scratch_, L"Wide"));
        ASSERT_NE(wide.Get(), nullptr);
        for (int i = 0; i < 5000; ++i) {
            HKEY key = nullptr;
            const std::wstring name = L"subkey-" + std::to_wstring(i);
            ASSERT_EQ(RegCreateKeyExW(wide.Get(), name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                      ERROR_SUCCESS)
                << i;
            RegCloseKey(key);
        }
        ASSERT_EQ(SubkeyCount(wide.Get()), 5000u);
    }
    DeleteThroughAccessor(L"Wide", "Wide", "5,000 subkeys");
}

TEST_F(RegistryStressTest, DeletesSiblingsWithNamesOfTheGreatestLength)
{
    // Eight 255-character siblings that differ only in their last character, each with a
    // 255-character child: the longest name reported equals the buffer the enumeration needs.
    {
        Key parent(CreateBelow(scratch_, L"Long"));
        ASSERT_NE(parent.Get(), nullptr);
        for (wchar_t last = L'a'; last < L'a' + 8; ++last) {
            Key sibling(CreateBelow(parent.Get(), std::wstring(254, L'n') + last));
            ASSERT_NE(sibling.Get(), nullptr);
            Key child(CreateBelow(sibling.Get(), std::wstring(255, last)));
        }
        ASSERT_EQ(SubkeyCount(parent.Get()), 8u);
    }
    DeleteThroughAccessor(L"Long", "Long", "255-character siblings");
}

// The Korean run sets REGISTRY_STRESS_ACP=949, so a locale that did not take effect fails instead of skipping.
bool DoubleByteCodePage()
{
    const char* required = std::getenv("REGISTRY_STRESS_ACP");
    if (required != nullptr) {
        EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(required))) << "the locale did not take effect";
    }
    return GetACP() == 949;
}

TEST_F(RegistryStressTest, DeletesDoubleByteNamesLongerInBytesThanTheReportedLength)
{
    if (!DoubleByteCodePage())
        GTEST_SKIP() << "needs code page 949; run with LC_ALL=ko_KR.UTF-8";
    // Siblings of 200 Hangul syllables (400 bytes each in code page 949), one with a mixed name and
    // one with a child of 127 syllables, below a key with a plain name as well.
    {
        Key parent(CreateBelow(scratch_, L"Korean"));
        ASSERT_NE(parent.Get(), nullptr);
        for (int i = 0; i < 4; ++i) {
            Key sibling(CreateBelow(parent.Get(), Hangul(200, i)));
            ASSERT_NE(sibling.Get(), nullptr);
            if (i == 0) {
                Key child(CreateBelow(sibling.Get(), Hangul(127, 500)));
            }
        }
        Key mixed(CreateBelow(parent.Get(), L"mixed-" + Hangul(120, 900) + L"-end"));
        Key plain(CreateBelow(parent.Get(), L"plain"));

        // The longest name is reported in characters: a buffer of that length cannot take the bytes.
        DWORD longest = 0;
        ASSERT_EQ(RegQueryInfoKeyA(parent.Get(), nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
        EXPECT_LT(longest, 400u) << "the reported length already counts bytes";
        char name[512];
        DWORD length = longest + 1;
        EXPECT_NE(RegEnumKeyExA(parent.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS)
            << "a 400-byte name fit a buffer of " << longest + 1;
    }
    DeleteThroughAccessor(L"Korean", "Korean", "double-byte names");
}

TEST_F(RegistryStressTest, DeletesAKeyWhoseOwnNameIsDoubleByte)
{
    if (!DoubleByteCodePage())
        GTEST_SKIP() << "needs code page 949; run with LC_ALL=ko_KR.UTF-8";
    const std::wstring name = Hangul(200, 42);
    {
        Key key(CreateBelow(scratch_, name));
        ASSERT_NE(key.Get(), nullptr);
        Key child(CreateBelow(key.Get(), Hangul(200, 7)));
    }
    // The accessor takes the path in the ANSI code page, where the name is 400 bytes.
    const int bytes = WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, &ansi[0], bytes, nullptr, nullptr);
    ansi.resize(ansi.size() - 1);
    ASSERT_EQ(ansi.size(), 400u);
    DeleteThroughAccessor(name, ansi, "a key named in double-byte characters");
}

}  // namespace
