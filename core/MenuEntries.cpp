// core/MenuEntries.cpp: screen order of the menu entries and keyboard steps between them.
#include "core/MenuEntries.h"

#include <array>

namespace {
// Indexes into the zone table, top to bottom on screen.
constexpr std::array<std::size_t, kMenuEntryCount> kScreenOrder = {0, 2, 1, 3};
}  // namespace

const MenuZone& EntryZone(std::size_t entry) { return kMenuZones[kScreenOrder.at(entry)]; }

std::size_t HighlightedEntry(const Rect& hoverRect)
{
    for (std::size_t entry = 0; entry < kMenuEntryCount; ++entry) {
        if (EntryZone(entry).rect == hoverRect)
            return entry;
    }
    return kNoEntry;
}

std::size_t EntryForKey(MenuKey key, std::size_t highlighted)
{
    const std::size_t last = kMenuEntryCount - 1;
    switch (key) {
    case MenuKey::First: return 0;
    case MenuKey::Last: return last;
    case MenuKey::Next: return highlighted >= last ? 0 : highlighted + 1;
    case MenuKey::Previous: return highlighted == 0 || highlighted == kNoEntry ? last : highlighted - 1;
    }
    return kNoEntry;
}
