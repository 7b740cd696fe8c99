// uninstall/DriverRemoval.h: the driver removal procedures behind the uninstall dialog's options.
#pragma once

namespace driver_removal {
// Registry state left by the driver installations, and the removal programs on the medium.
inline constexpr char kDifxKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\DIFx";
inline constexpr char kCardRemover[] = "Driver\\CardRemover.exe";
inline constexpr char kTunerSetupKey[] = "SOFTWARE\\ZORVA\\SETUP";
inline constexpr char kTunerVerdictKey[] = "SOFTWARE\\ZORVA\\SETUP\\NOMAD";
inline constexpr char kTunerVerdictValue[] = "Welcome";
inline constexpr char kTunerRemover[] = "Driver\\TunerSetup.exe /r";
}  // namespace driver_removal

// Deletes this product's DIFx records under HKEY_LOCAL_MACHINE, in both
// registry views on 64-bit Windows, leaving every other vendor's; then starts
// the card driver remover. Nothing of its outcome is read.
void RemoveDifxDriver();

// Clears the tuner setup state under HKEY_CURRENT_USER, starts the tuner
// driver remover and reports the verdict it left. Raises ERegistryException
// when no integer verdict can be read; no message is shown then.
void RemoveTunerDriver();
