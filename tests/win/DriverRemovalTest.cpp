// tests/win/DriverRemovalTest.cpp: the removal procedures under Wine, with no removal programs present.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "core/Error.h"
#include "platform/RegKey.h"
#include "platform/Wow64.h"
#include "uninstall/DriverRemoval.h"

namespace {

// `view` is 0 for this process's own registry view, or KEY_WOW64_64KEY or KEY_WOW64_32KEY.
void CreateKey(HKEY root, const std::string& path, REGSAM view = 0)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

bool KeyExists(HKEY root, const std::string& path, REGSAM view = 0)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The removal programs are looked up relative to the current directory, so
// the tests run in an empty one where none of them exists.
class DriverRemovalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char buffer[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, buffer);
        previousDirectory_ = buffer;
        GetTempPathA(MAX_PATH, buffer);
        emptyDirectory_ = std::string(buffer) + "VeltranaDriverRemovalTest";
        CreateDirectoryA(emptyDirectory_.c_str(), nullptr);
        ASSERT_TRUE(SetCurrentDirectoryA(emptyDirectory_.c_str()));
        keysBefore_ = OpenRegistryKeyCount();
    }
    void TearDown() override
    {
        EXPECT_EQ(OpenRegistryKeyCount(), keysBefore_);
        SetCurrentDirectoryA(previousDirectory_.c_str());
        RemoveDirectoryA(emptyDirectory_.c_str());
    }

    std::string previousDirectory_;
    std::string emptyDirectory_;
    int keysBefore_ = 0;
};

TEST_F(DriverRemovalTest, TunerRemovalWithoutItsProgramFindsNoVerdict)
{
    // A verdict and state left by an earlier run must not survive.
    const std::string setup = driver_removal::kTunerSetupKey;
    CreateKey(HKEY_CURRENT_USER, setup + "\\Older\\State");
    const DWORD one = 1;
    CreateKey(HKEY_CURRENT_USER, driver_removal::kTunerVerdictKey);
    ASSERT_EQ(SHSetValueA(HKEY_CURRENT_USER, driver_removal::kTunerVerdictKey, "Welcome", REG_DWORD, &one,
                          sizeof(one)),
              ERROR_SUCCESS);

    try {
        RemoveTunerDriver();
        ADD_FAILURE() << "no error raised";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "Failed to get data for 'Welcome'");
        EXPECT_EQ(error.Kind(), ErrorKind::ERegistryException);
    }

    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, setup + "\\Older"));
    HKEY verdict = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, driver_removal::kTunerVerdictKey, 0, KEY_READ, &verdict),
              ERROR_SUCCESS);
    DWORD subkeys = 99;
    DWORD values = 99;
    EXPECT_EQ(RegQueryInfoKeyA(verdict, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(verdict);
    EXPECT_EQ(subkeys, 0u);
    EXPECT_EQ(values, 0u);
}

TEST_F(DriverRemovalTest, DifxRemovalDeletesTheDifxTreeInBothRegistryViewsAndRaisesNothing)
{
    // The 64-bit prefix must really give this process a second registry view: the 64-bit one under WOW64,
    // the 32-bit one for a 64-bit build.
    char arch[16] = {};
    GetEnvironmentVariableA("WINEARCH", arch, sizeof arch);
    ASSERT_EQ(OtherRegistryView() != 0, std::string(arch) == "win64");
    ASSERT_EQ(RunsUnderWow64(), std::string(arch) == "win64" && sizeof(void*) == 4);

    // On 64-bit Windows a 32-bit and a 64-bit installer write separate trees; on 32-bit Windows there is
    // one view and both names reach it.
    const std::string difx = driver_removal::kDifxKey;
    // A 32-bit build's own view is the 32-bit one, on 32-bit Windows too.
    const REGSAM view32 = sizeof(void*) == 8 ? KEY_WOW64_32KEY : 0;
    CreateKey(HKEY_LOCAL_MACHINE, difx + "\\Driver64\\Package", KEY_WOW64_64KEY);
    EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, difx, view32), OtherRegistryView() == 0);
    CreateKey(HKEY_LOCAL_MACHINE, difx + "\\Driver32\\Package", view32);

    EXPECT_NO_THROW(RemoveDifxDriver());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, difx, view32));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, difx, KEY_WOW64_64KEY));

    // A second run finds no key in either view and still goes on.
    EXPECT_NO_THROW(RemoveDifxDriver());
}

}  // namespace
