// tests/host/HoverTest.cpp: the zone table, the inclusive hit test and every hover transition.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Hover.h"
#include "core/MenuEntries.h"

namespace {

const Rect kInstall = {20, 52, 220, 77};
const Rect kUninstall = {20, 87, 220, 112};
const Rect kBrowse = {20, 120, 145, 145};

// Records the drawing the tracker asks for, in order.
class RecordingCanvas : public HoverCanvas {
public:
    std::vector<std::string> calls;

    void DrawSavedPiece(const Rect& z) override { calls.push_back("restore " + Name(z)); }
    void DrawHighlight(const Rect& z) override { calls.push_back("highlight " + Name(z)); }
    void SaveBackground(const Rect& z) override { calls.push_back("save " + Name(z)); }

private:
    static std::string Name(const Rect& z)
    {
        return std::to_string(z.Left) + "," + std::to_string(z.Top) + "," + std::to_string(z.Right) + "," +
               std::to_string(z.Bottom);
    }
};

TEST(MenuZones, TableOrderIsInstallBrowseUninstallExit)
{
    ASSERT_EQ(kMenuZones.size(), 4u);
    EXPECT_EQ(kMenuZones[0].action, MenuAction::RunInstaller);
    EXPECT_EQ(kMenuZones[1].action, MenuAction::BrowseMedium);
    EXPECT_EQ(kMenuZones[2].action, MenuAction::ShowUninstallDialog);
    EXPECT_EQ(kMenuZones[3].action, MenuAction::ExitLauncher);
    EXPECT_EQ(kMenuZones[0].rect, kInstall);
    EXPECT_EQ(kMenuZones[1].rect, kBrowse);
    EXPECT_EQ(kMenuZones[2].rect, kUninstall);
    EXPECT_EQ(kMenuZones[3].rect, (Rect{20, 155, 145, 180}));
}

TEST(MenuZones, BoundsAreInclusive)
{
    const struct {
        int x, y;
        int zone;  // index in the table, -1 for none
    } cases[] = {
        {220, 77, 0}, {20, 52, 0}, {221, 77, -1}, {220, 78, -1}, {19, 52, -1}, {20, 51, -1},
        {145, 145, 1}, {146, 130, -1}, {100, 82, -1}, {100, 95, 2}, {20, 155, 3}, {145, 180, 3},
        {146, 180, -1}, {0, 0, -1}, {-5, 60, -1}, {100, 86, -1}, {100, 87, 2},
    };
    for (const auto& c : cases) {
        int found = -1;
        int matches = 0;
        for (std::size_t i = 0; i < kMenuZones.size(); ++i) {
            if (InZone(kMenuZones[i].rect, c.x, c.y)) {
                found = static_cast<int>(i);
                ++matches;
            }
        }
        EXPECT_EQ(found, c.zone) << c.x << "," << c.y;
        EXPECT_LE(matches, 1);
    }
}

TEST(Hover, TransitionsDrawRestoreAndSaveInOrder)
{
    HoverTracker hover;
    RecordingCanvas canvas;

    hover.SetupImageMouseMove(300, 300, canvas);  // none -> none
    EXPECT_TRUE(canvas.calls.empty());
    EXPECT_FALSE(hover.IsHighlighted());

    hover.SetupImageMouseMove(100, 60, canvas);  // none -> install
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{"highlight 20,52,220,77", "save 20,52,220,77"}));
    EXPECT_EQ(hover.HoverRect(), kInstall);

    canvas.calls.clear();
    hover.SetupImageMouseMove(220, 77, canvas);  // install -> install
    EXPECT_TRUE(canvas.calls.empty());

    hover.SetupImageMouseMove(100, 95, canvas);  // install -> uninstall in one move
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{"restore 20,52,220,77", "highlight 20,87,220,112",
                                                      "save 20,87,220,112"}));
    EXPECT_EQ(hover.HoverRect(), kUninstall);

    canvas.calls.clear();
    hover.SetupImageMouseMove(100, 82, canvas);  // uninstall -> none: the gap belongs to no zone
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{"restore 20,87,220,112"}));
    EXPECT_EQ(hover.HoverRect(), Rect{});
}

TEST(Hover, OriginWithNothingHighlightedChangesNothing)
{
    HoverTracker hover;
    RecordingCanvas canvas;
    hover.SetupImageMouseMove(0, 0, canvas);
    EXPECT_TRUE(canvas.calls.empty());
    EXPECT_EQ(hover.HoverRect(), Rect{});
}

TEST(Hover, CapturedMovesOutsideTheWindowUndoTheHighlight)
{
    HoverTracker hover;
    RecordingCanvas canvas;
    hover.SetupImageMouseMove(30, 60, canvas);
    canvas.calls.clear();
    hover.SetupImageMouseMove(-5, 60, canvas);
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{"restore 20,52,220,77"}));
    EXPECT_FALSE(hover.IsHighlighted());
}

TEST(Hover, RestoreDrawsOnlyWhenAllBoundsArePositive)
{
    HoverTracker hover;
    RecordingCanvas canvas;
    hover.SetHoverRect(0, 52, 220, 77);
    hover.RestoreHover(canvas);
    EXPECT_TRUE(canvas.calls.empty());
    EXPECT_EQ(hover.HoverRect(), Rect{});  // cleared in every case
}

TEST(Hover, KeysStepThroughTheEntriesInScreenOrderFromWhateverIsHighlighted)
{
    HoverTracker hover;
    RecordingCanvas canvas;
    const auto press = [&](MenuKey key) {
        hover.HighlightZone(EntryZone(EntryForKey(key, HighlightedEntry(hover.HoverRect()))).rect, canvas);
        return hover.HoverRect();
    };
    EXPECT_EQ(press(MenuKey::Previous), EntryZone(3).rect);  // nothing highlighted: the last entry
    EXPECT_EQ(press(MenuKey::Next), kInstall);               // wraps
    EXPECT_EQ(press(MenuKey::Next), kUninstall);
    EXPECT_EQ(press(MenuKey::Next), kBrowse);
    EXPECT_EQ(press(MenuKey::Previous), kUninstall);
    EXPECT_EQ(press(MenuKey::Last), EntryZone(3).rect);

    // A key goes on from the entry the pointer highlighted, through the same drawing.
    hover.SetupImageMouseMove(30, 125, canvas);
    canvas.calls.clear();
    EXPECT_EQ(press(MenuKey::Next), EntryZone(3).rect);
    EXPECT_EQ(canvas.calls, (std::vector<std::string>{"restore 20,120,145,145", "highlight 20,155,145,180",
                                                      "save 20,155,145,180"}));
    canvas.calls.clear();
    EXPECT_EQ(press(MenuKey::Last), EntryZone(3).rect);  // already highlighted: nothing redrawn
    EXPECT_TRUE(canvas.calls.empty());

    hover.SetupImageMouseMove(300, 300, canvas);
    EXPECT_EQ(press(MenuKey::Next), kInstall);  // nothing highlighted: the first entry
    EXPECT_EQ(press(MenuKey::First), kInstall);
}

}  // namespace
