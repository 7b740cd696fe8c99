// uninstall/DriverRemoval.cpp: registry clean-up, removal program start and verdict report.
#include "uninstall/DriverRemoval.h"

#include <windows.h>

#include "platform/Process.h"
#include "platform/Registry.h"

namespace {
const int kShow = SW_SHOW;
}

void RemoveDifxDriver()
{
    TRegistry registry(KEY_ALL_ACCESS);
    registry.UseRootKey(HKEY_LOCAL_MACHINE);
    registry.DeleteKeyTree(driver_removal::kDifxKey);
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
