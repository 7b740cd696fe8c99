// core/MenuZones.cpp: the zone table and the hit test.
#include "core/MenuZones.h"

const std::array<MenuZone, 4> kMenuZones = {{
    {{20, 52, 220, 77}, MenuAction::RunInstaller},
    {{20, 120, 145, 145}, MenuAction::BrowseMedium},
    {{20, 87, 220, 112}, MenuAction::ShowUninstallDialog},
    {{20, 155, 145, 180}, MenuAction::ExitLauncher},
}};

bool InZone(const Rect& zone, std::int32_t x, std::int32_t y)
{
    return zone.Left <= x && x <= zone.Right && zone.Top <= y && y <= zone.Bottom;
}
