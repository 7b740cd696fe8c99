// core/Hover.h: the hover highlight's state machine, apart from the drawing it asks for.
#pragma once

#include <cstdint>

#include "core/MenuZones.h"

// The drawing the hover logic needs; the menu window implements it with GDI.
class HoverCanvas {
public:
    virtual ~HoverCanvas() = default;
    // Draws the saved rest piece back at the zone's corner, if one is held.
    virtual void DrawSavedPiece(const Rect& zone) = 0;
    // Cuts the zone from the fore image into the highlight piece and draws it.
    virtual void DrawHighlight(const Rect& zone) = 0;
    // Cuts the zone from the back image into the saved piece.
    virtual void SaveBackground(const Rect& zone) = 0;
};

class HoverTracker {
public:
    void SetupImageMouseMove(std::int32_t x, std::int32_t y, HoverCanvas& canvas);
    // Highlights a zone as a move into it would, undoing the highlight of another zone first; a zone that
    // is highlighted already stays as it is.
    void HighlightZone(const Rect& zone, HoverCanvas& canvas);
    void RestoreHover(HoverCanvas& canvas);
    void SetHoverRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);

    const Rect& HoverRect() const { return hoverRect_; }
    // Any bound above 0 means a zone is highlighted.
    bool IsHighlighted() const;

private:
    void DrawAndSave(const Rect& zone, HoverCanvas& canvas);

    Rect hoverRect_;
};
