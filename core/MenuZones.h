// core/MenuZones.h: the four menu entries as rectangles of the skin, and the hit test.
#pragma once

#include <array>
#include <cstdint>

struct Rect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;

    bool operator==(const Rect& other) const
    {
        return Left == other.Left && Top == other.Top && Right == other.Right && Bottom == other.Bottom;
    }
};

enum class MenuAction { RunInstaller, BrowseMedium, ShowUninstallDialog, ExitLauncher };

struct MenuZone {
    Rect rect;
    MenuAction action;
};

// In the order every handler tests them, which is not the order on screen.
extern const std::array<MenuZone, 4> kMenuZones;

// All four bounds are inclusive.
bool InZone(const Rect& zone, std::int32_t x, std::int32_t y);
