// uninstall/DriverRemoval.cpp: registry clean-up, removal program start and verdict report.
#include "uninstall/DriverRemoval.h"

#include <windows.h>

#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/Wow64.h"

namespace {

const int kShow = SW_SHOW;

void DeleteDifxTree(REGSAM access)
{
    TRegistry registry(access);
    registry.UseRootKey(HKEY_LOCAL_MACHINE);
    registry.DeleteKeyTree(driver_removal::kDifxKey);
}

}  // namespace

void RemoveDifxDriver()
{
    DeleteDifxTree(KEY_ALL_ACCESS);
    // On 64-bit Windows a 32-bit and a 64-bit installer write separate
    // registry views; this process sees only one of them by default.
    if (const REGSAM other = OtherRegistryView())
        DeleteDifxTree(KEY_ALL_ACCESS | other);
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
