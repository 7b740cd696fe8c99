// tests/win/DriverRemovalTest.cpp: the removal procedures under Wine, with no removal programs present.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <iterator>
#include <map>
#include <string>

#include "core/Error.h"
#include "platform/RegKey.h"
#include "platform/Registry.h"
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

// Every key of a tree by its path, with its values as name, type and bytes.
using Tree = std::map<std::string, std::string>;

void ReadKey(HKEY key, const std::string& path, REGSAM view, Tree& tree)
{
    std::string& values = tree[path];
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name;
        DWORD type = REG_NONE;
        BYTE data[512];
        DWORD size = sizeof data;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        values += std::string(name, nameLength) + " " + std::to_string(type) + " " +
                  std::string(reinterpret_cast<const char*>(data), size) + "\n";
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY subkey = nullptr;
        ASSERT_EQ(RegOpenKeyExA(key, name, 0, KEY_READ | view, &subkey), ERROR_SUCCESS);
        ReadKey(subkey, path + "\\" + name, view, tree);
        RegCloseKey(subkey);
    }
}

Tree ReadTree(const std::string& path, REGSAM view)
{
    Tree tree;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) == ERROR_SUCCESS) {
        ReadKey(key, path, view, tree);
        RegCloseKey(key);
    }
    return tree;
}

// Drops the keys whose path starts with `prefix`.
void EraseBelow(Tree& tree, const std::string& prefix)
{
    for (auto it = tree.begin(); it != tree.end();)
        it = it->first.compare(0, prefix.size(), prefix) == 0 ? tree.erase(it) : std::next(it);
}

void DeleteDifxTree(REGSAM view)
{
    TRegistry registry(KEY_ALL_ACCESS | view);
    registry.UseRootKey(HKEY_LOCAL_MACHINE);
    registry.DeleteKeyTree(driver_removal::kDifxKey);
}

void SetValue(const std::string& path, const char* name, DWORD type, const std::string& data, REGSAM view)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// Text with its closing NUL; a list's items each with theirs, and the empty item that ends the list.
std::string Sz(const std::string& text) { return text + '\0'; }
std::string MultiSz(std::initializer_list<std::string> items)
{
    std::string data;
    for (const std::string& item : items)
        data += Sz(item);
    return data + '\0';
}

// Two packages of this product: one names the maker in a text value stored without its NUL, the other
// only in an unterminated item of DependentInstallerName; both list services, one shared with another
// vendor's package. Beside them another vendor's package and service, entries of unknown shape and values on
// DIFx and Services themselves.
void SeedDifx(REGSAM view, const std::string& quill)
{
    const std::string difx = driver_removal::kDifxKey;
    const std::string store = difx + "\\DriverStore\\";
    const std::string services = difx + "\\Services\\";
    SetValue(difx, "Version", REG_DWORD, std::string("\x02\0\0\0", 4), view);
    SetValue(store + quill, "INF", REG_SZ, Sz("oem12.inf"), view);
    SetValue(store + quill, "DisplayName", REG_SZ, "Veltrana", view);
    SetValue(store + quill, "Services", REG_MULTI_SZ, MultiSz({"vtquill", "vtfilter", "vtmissing"}), view);
    CreateKey(HKEY_LOCAL_MACHINE, store + quill + "\\Files\\Copied", view);
    SetValue(store + "vtonyx.inf_x86_41b2", "ManufacturerName", REG_SZ, Sz("Zorva Tech"), view);
    SetValue(store + "vtonyx.inf_x86_41b2", "DependentInstallerName", REG_MULTI_SZ,
             std::string("Card Setup\0VELTRANA", 19), view);
    SetValue(store + "vtonyx.inf_x86_41b2", "Services", REG_SZ, Sz("vtonyx"), view);
    SetValue(services + "VtQuill", "ImagePath", REG_SZ, Sz("vtquill.sys"), view);
    CreateKey(HKEY_LOCAL_MACHINE, services + "VtQuill\\Parameters", view);
    SetValue(services + "vtonyx", "Group", REG_SZ, Sz("Video"), view);
    SetValue(services + "vtfilter", "Group", REG_SZ, Sz("Filter"), view);

    SetValue(store + "acmetv_91c0", "ManufacturerName", REG_SZ, Sz("Acme"), view);
    SetValue(store + "acmetv_91c0", "ProductName", REG_SZ, Sz("Acme TV for Veltran cards"), view);
    SetValue(store + "acmetv_91c0", "DependentInstallerName", REG_SZ, Sz("Acme Setup"), view);
    SetValue(store + "acmetv_91c0", "Services", REG_MULTI_SZ, MultiSz({"acmetv", "VTFILTER"}), view);
    SetValue(services + "acmetv", "Group", REG_SZ, Sz("Video"), view);
    SetValue(services, "Owner", REG_SZ, Sz("DIFx"), view);
    // The maker's name in values of other types than text, and an entry without values.
    SetValue(store + "oddshape", "ManufacturerName", REG_BINARY, "Veltrana", view);
    SetValue(store + "oddshape", "ProductName", REG_MULTI_SZ, MultiSz({"Veltrana"}), view);
    SetValue(store + "oddshape", "DependentInstallerName", REG_EXPAND_SZ, Sz("Veltrana"), view);
    SetValue(store + "oddshape", "Services", REG_BINARY, Sz("acmetv"), view);
    CreateKey(HKEY_LOCAL_MACHINE, store + "novalues", view);
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

TEST_F(DriverRemovalTest, DifxRemovalDeletesOnlyThisProductsRecordsInBothRegistryViews)
{
    // The 64-bit prefix must really give this process a second registry view: the 64-bit one under WOW64,
    // the 32-bit one for a 64-bit build.
    char arch[16] = {};
    GetEnvironmentVariableA("WINEARCH", arch, sizeof arch);
    ASSERT_EQ(OtherRegistryView() != 0, std::string(arch) == "win64");
    ASSERT_EQ(RunsUnderWow64(), std::string(arch) == "win64" && sizeof(void*) == 4);

    // On 64-bit Windows a 32-bit and a 64-bit installer write separate trees, here with differently named
    // packages; on 32-bit Windows there is one view and both names reach it.
    const std::string difx = driver_removal::kDifxKey;
    // A 32-bit build's own view is the 32-bit one, on 32-bit Windows too.
    const REGSAM view32 = sizeof(void*) == 8 ? KEY_WOW64_32KEY : 0;
    const REGSAM views[] = {KEY_WOW64_64KEY, view32};
    for (const REGSAM view : views)
        DeleteDifxTree(view);
    SeedDifx(KEY_WOW64_64KEY, "vtquill.inf_amd64_7a3c91e04d2b5f68");
    EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, difx, view32), OtherRegistryView() == 0);
    SeedDifx(view32, "vtquill_0d6f3b2a9c8e7f1a4b5c6d7e8f9a0b1c2d3e4f5a");

    Tree expected[2];
    for (int i = 0; i < 2; ++i) {
        expected[i] = ReadTree(difx, views[i]);
        // The packages that name the maker, and the services that no other package lists.
        for (const char* own : {"\\DriverStore\\vtquill", "\\DriverStore\\vtonyx", "\\Services\\VtQuill",
                                "\\Services\\vtonyx"})
            EraseBelow(expected[i], difx + own);
    }
    EXPECT_NO_THROW(RemoveDifxDriver());
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(ReadTree(difx, views[i]), expected[i]) << "view " << views[i];

    // A second run finds none of ours and changes nothing; a missing tree is no error and stays missing.
    EXPECT_NO_THROW(RemoveDifxDriver());
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(ReadTree(difx, views[i]), expected[i]) << "view " << views[i];
    for (const REGSAM view : views)
        DeleteDifxTree(view);
    EXPECT_NO_THROW(RemoveDifxDriver());
    for (const REGSAM view : views)
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, difx, view));
}

}  // namespace
