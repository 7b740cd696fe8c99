// menu/MenuActions.cpp: hover drawing, the click handler, its sounds and the four menu actions.
#include <string>

#include "app/Application.h"
#include "menu/InstallForm.h"
#include "platform/FileProbe.h"
#include "platform/Process.h"
#include "platform/Sound.h"
#include "uninstall/SelectForm.h"

namespace {

constexpr const char* kSoundHighlighted = "Autorun\\Sound\\DOWN.WAV";
constexpr const char* kSoundNotHighlighted = "Autorun\\Sound\\NoDOWN.WAV";
constexpr const char* kInstaller = "Setup\\Setup.exe";
constexpr int kShow = SW_SHOW;

bool Usable(const std::unique_ptr<Image>& image) { return image && !image->Empty(); }

// A new piece in the screen's format, filled from the zone's area of `source`.
// It covers one column and one row fewer than the inclusive hit test.
std::unique_ptr<Image> CutPiece(const Image& source, const Rect& zone)
{
    auto piece = std::make_unique<Image>(Image::ScreenCompatible(zone.Right - zone.Left, zone.Bottom - zone.Top));
    piece->CopyFrom(source, zone.Left, zone.Top);
    return piece;
}

}  // namespace

void TInstallForm::SetupImageMouseMove(int x, int y) { hover_.SetupImageMouseMove(x, y, *this); }

void TInstallForm::DrawOnSurface(const Image& image, int x, int y)
{
    const WindowDC surface(Handle());
    image.Draw(surface.Get(), x, y);
}

void TInstallForm::DrawSavedPiece(const Rect& zone)
{
    if (SavedPiece)
        DrawOnSurface(*SavedPiece, zone.Left, zone.Top);
}

// Without a usable fore or back image (after a failed skin load) the
// highlight or the save is skipped.
void TInstallForm::DrawHighlight(const Rect& zone)
{
    if (!Usable(ForeImage))
        return;
    HighlightPiece.reset();
    HighlightPiece = CutPiece(*ForeImage, zone);
    DrawOnSurface(*HighlightPiece, zone.Left, zone.Top);
}

void TInstallForm::SaveBackground(const Rect& zone)
{
    if (!Usable(BackImage))
        return;
    SavedPiece.reset();
    SavedPiece = CutPiece(*BackImage, zone);
}

void TInstallForm::SetupImageMouseDown(int x, int y)
{
    // The sound follows the hover state, not the pressed position.
    PlayClickSound(hover_.IsHighlighted());
    for (const MenuZone& zone : kMenuZones) {
        if (InZone(zone.rect, x, y))
            RunAction(zone.action);
    }
}

void TInstallForm::PlayClickSound(bool highlighted)
{
    PlaySoundFile(highlighted ? kSoundHighlighted : kSoundNotHighlighted);
}

void TInstallForm::RunAction(MenuAction action)
{
    switch (action) {
    case MenuAction::RunInstaller: RunInstaller(); break;
    case MenuAction::BrowseMedium: BrowseMedium(); break;
    case MenuAction::ShowUninstallDialog: ShowUninstallDialog(); break;
    case MenuAction::ExitLauncher: ExitLauncher(); break;
    }
}

void TInstallForm::RunInstaller()
{
    if (FileExists(kInstaller))
        StartProgram(kInstaller, kShow);
}

void TInstallForm::BrowseMedium() { StartProgram("Explorer.exe " + StartDir, kShow); }

void TInstallForm::ShowUninstallDialog() { Form1->ShowDialog(); }

void TInstallForm::ExitLauncher() { SendMessageA(Handle(), WM_CLOSE, 0, 0); }
