// core/Hover.cpp: hover transitions between no zone and one zone highlighted.
#include "core/Hover.h"

void HoverTracker::SetupImageMouseMove(std::int32_t x, std::int32_t y, HoverCanvas& canvas)
{
    // Still inside the highlighted zone: nothing to redraw. With no zone
    // highlighted this holds for (0, 0) alone, which is harmless.
    if (InZone(hoverRect_, x, y))
        return;
    RestoreHover(canvas);
    for (const MenuZone& zone : kMenuZones) {
        if (InZone(zone.rect, x, y))
            DrawAndSave(zone.rect, canvas);
    }
}

void HoverTracker::HighlightZone(const Rect& zone, HoverCanvas& canvas)
{
    if (zone == hoverRect_)
        return;
    RestoreHover(canvas);
    DrawAndSave(zone, canvas);
}

void HoverTracker::DrawAndSave(const Rect& zone, HoverCanvas& canvas)
{
    SetHoverRect(zone.Left, zone.Top, zone.Right, zone.Bottom);
    canvas.DrawHighlight(hoverRect_);
    canvas.SaveBackground(hoverRect_);
}

void HoverTracker::RestoreHover(HoverCanvas& canvas)
{
    if (hoverRect_.Left > 0 && hoverRect_.Top > 0 && hoverRect_.Right > 0 && hoverRect_.Bottom > 0)
        canvas.DrawSavedPiece(hoverRect_);
    SetHoverRect(0, 0, 0, 0);
}

void HoverTracker::SetHoverRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    hoverRect_ = {left, top, right, bottom};
}

bool HoverTracker::IsHighlighted() const
{
    return hoverRect_.Left > 0 || hoverRect_.Top > 0 || hoverRect_.Right > 0 || hoverRect_.Bottom > 0;
}
