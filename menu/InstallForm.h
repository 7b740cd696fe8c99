// menu/InstallForm.h: the menu window: a fixed picture window showing the skin, with hover and click handling.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "core/Hover.h"
#include "platform/Image.h"
#include "platform/Picture.h"
#include "platform/Window.h"

class MenuAccessible;

class TInstallForm : public Window, private HoverCanvas {
public:
    explicit TInstallForm(HWND owner);
    ~TInstallForm() override;

    // Shows the window, centred on the screen the first time.
    void Show(int showCommand);

    void FormCreate();
    void FormShow();
    void FormPaint(HDC dc);
    void CaptureStartState();
    static bool IsKoreanUserLanguage();
    void LoadSkin();

    void SetupImageMouseMove(int x, int y);
    void SetupImageMouseDown(int x, int y);
    void PlayClickSound(bool highlighted);
    // Navigation keys highlight entries as the pointer does; Enter and Space press the highlighted one.
    void FormKeyDown(WPARAM key, LPARAM flags);
    // Presses an entry (a screen position, 0 for the top one) as Enter would, once the current message
    // has been handled; a screen reader's default action.
    void PostEntryPress(std::size_t entry);

    void RunInstaller();
    void BrowseMedium();
    void ShowUninstallDialog();
    void ExitLauncher();

    const Rect& GetHoverRect() const { return hover_.HoverRect(); }
    const std::string& GetStartDir() const { return StartDir; }
    bool GetUseKoreanSkin() const { return UseKoreanSkin; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void DrawSavedPiece(const Rect& zone) override;
    void DrawHighlight(const Rect& zone) override;
    void SaveBackground(const Rect& zone) override;

    void OnPaint();
    void OnMouseMove(int x, int y);
    void OnMouseLeave();
    void OnButtonDown(int x, int y, bool capture);
    LRESULT OnGetObject(WPARAM flags, LPARAM object);
    void RunAction(MenuAction action);
    void HighlightEntry(std::size_t entry);
    void PressHighlightedEntry();
    void PressEntry(std::size_t entry);

    static constexpr UINT kPressEntryMessage = WM_APP + 1;  // wParam: the entry
    void DrawOnSurface(const Image& image, int x, int y);

    Picture SetupImage;  // the picture control's picture
    HoverTracker hover_;  // holds HoverRect
    std::unique_ptr<Image> HighlightPiece;
    std::unique_ptr<Image> SavedPiece;
    std::unique_ptr<Image> ForeImage;
    std::unique_ptr<Image> BackImage;
    std::string StartDir;
    bool UseKoreanSkin = false;
    bool shownBefore_ = false;
    std::optional<POINT> lastPointer_;  // where the last move came from, until the pointer leaves
    struct DetachAccessible {
        void operator()(MenuAccessible* accessible) const;
    };
    std::unique_ptr<MenuAccessible, DetachAccessible> accessible_;  // made when a screen reader first asks
};
