// uninstall/DriverRemoval.cpp: registry clean-up, removal program start and verdict report.
#include "uninstall/DriverRemoval.h"

#include <windows.h>

#include <string>
#include <vector>

#include "core/DifxRecords.h"
#include "platform/AnsiText.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/Wow64.h"

namespace {

const int kShow = SW_SHOW;
// Absolute paths: the registry's current key changes as the entries are read.
const std::string kDriverStore = std::string("\\") + driver_removal::kDifxKey + "\\DriverStore";
const std::string kServices = std::string("\\") + driver_removal::kDifxKey + "\\Services";

using Strings = std::vector<std::string>;

// One subkey of DriverStore: whether it is this product's package, and the services it lists.
struct StoreEntry {
    std::string path;
    bool own;
    Strings services;
};

void Append(Strings& to, const Strings& items)
{
    to.insert(to.end(), items.begin(), items.end());
}

Strings ValueOf(const TRegistry& registry, const char* name, bool listAccepted)
{
    return ValueStrings(registry.ReadStoredValue(name), listAccepted);
}

StoreEntry ReadEntry(TRegistry& registry, const std::string& path)
{
    StoreEntry entry{path, false, {}};
    if (!registry.OpenKey(path))
        return entry;
    Strings names;
    for (const char* name : {"ManufacturerName", "ProductName", "DisplayName"})
        Append(names, ValueOf(registry, name, false));
    Append(names, ValueOf(registry, "DependentInstallerName", true));
    entry.own = NamesMaker(names, IsAnsiLeadByte);
    entry.services = ValueOf(registry, "Services", true);
    return entry;
}

std::vector<StoreEntry> ReadDriverStore(TRegistry& registry)
{
    std::vector<StoreEntry> entries;
    if (registry.OpenKey(kDriverStore)) {
        for (const std::string& name : registry.SubkeyNames())
            entries.push_back(ReadEntry(registry, kDriverStore + "\\" + name));
    }
    registry.CloseCurrentKey();
    return entries;
}

void DeleteServices(TRegistry& registry, const Strings& deletedLists, const Strings& remainingLists)
{
    if (deletedLists.empty() || !registry.OpenKey(kServices))
        return;
    for (const std::string& name :
         ServicesToDelete(registry.SubkeyNames(), deletedLists, remainingLists, IsAnsiLeadByte))
        registry.DeleteKeyTree(kServices + "\\" + name);
}

// Deletes this product's packages under DriverStore, and then the services that only they listed. A
// package that could not be deleted still lists its services.
void DeleteOwnDifxRecords(REGSAM access)
{
    TRegistry registry(access);
    registry.UseRootKey(HKEY_LOCAL_MACHINE);
    Strings deletedLists;
    Strings remainingLists;
    for (const StoreEntry& entry : ReadDriverStore(registry)) {
        const bool deleted = entry.own && registry.DeleteKeyTree(entry.path);
        Append(deleted ? deletedLists : remainingLists, entry.services);
    }
    DeleteServices(registry, deletedLists, remainingLists);
}

}  // namespace

void RemoveDifxDriver()
{
    DeleteOwnDifxRecords(KEY_ALL_ACCESS);
    // On 64-bit Windows a 32-bit and a 64-bit installer write separate
    // registry views; this process sees only one of them by default.
    if (const REGSAM other = OtherRegistryView())
        DeleteOwnDifxRecords(KEY_ALL_ACCESS | other);
    StartProgram(driver_removal::kCardRemover, kShow);
}

void RemoveTunerDriver()
{
    TRegistry registry(KEY_ALL_ACCESS);
    registry.UseRootKey(HKEY_CURRENT_USER);
    // Also removes a verdict left by an earlier run.
    registry.DeleteKeyTree(driver_removal::kTunerSetupKey);
    // Returns once the remover first waits for input; its verdict is written by then.
    StartProgram(driver_removal::kTunerRemover, kShow);
    registry.UseRootKey(HKEY_CURRENT_USER);
    registry.OpenOrCreateKey(driver_removal::kTunerVerdictKey);
    const bool removed = registry.ReadIntegerValue(driver_removal::kTunerVerdictValue) == 1;
    MessageBoxA(nullptr, removed ? "The driver was uninstalled." : "Uninstall of driver is failed",
                "Uninstallation.", 0);
}
