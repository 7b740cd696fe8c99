// core/MenuEntries.h: the menu entries in screen order, and where a navigation key moves the highlight.
#pragma once

#include <cstddef>

#include "core/MenuZones.h"

// Entries are numbered by their place on screen, top to bottom: install, uninstall, browse, exit. The zone
// table's order is not the screen's.
constexpr std::size_t kMenuEntryCount = 4;
constexpr std::size_t kNoEntry = kMenuEntryCount;

const MenuZone& EntryZone(std::size_t entry);

// The entry whose zone is the highlighted rectangle, or kNoEntry when none is highlighted.
std::size_t HighlightedEntry(const Rect& hoverRect);

enum class MenuKey { Next, Previous, First, Last };

// The entry a key highlights: Next and Previous step from the highlighted entry and wrap around; with none
// highlighted, Next gives the first entry and Previous the last.
std::size_t EntryForKey(MenuKey key, std::size_t highlighted);
