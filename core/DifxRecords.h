// core/DifxRecords.h: which DIFx driver store entries are this product's, and which services go with them.
#pragma once

#include <string>
#include <vector>

#include "core/CodePage.h"

// The maker's name that marks this product's driver packages in their text values.
inline constexpr char kMakerName[] = "Veltrana";

// Whether any of the texts holds the maker's name, in any case. A match starts on a character, never on the
// trail byte of a double-byte one.
bool NamesMaker(const std::vector<std::string>& texts, IsLeadByteFn isLead);

// The names among `serviceKeys` that `deletedLists` holds and `remainingLists` does not, so a service that
// another package still lists stays. Names compare as the registry's key names do, without regard to case.
std::vector<std::string> ServicesToDelete(const std::vector<std::string>& serviceKeys,
                                          const std::vector<std::string>& deletedLists,
                                          const std::vector<std::string>& remainingLists, IsLeadByteFn isLead);
