// uninstall/SelectForm.h: the uninstall dialog: a heading and three card-group options.
#pragma once

#include <array>
#include <memory>

#include "platform/Gdi.h"
#include "platform/Window.h"

class TForm1 : public Window {
public:
    explicit TForm1(HWND owner);
    ~TForm1() override;

    // Makes the dialog visible and brings it to the front; centred the first time.
    void ShowDialog();
    // Closing only hides: the next show presents the same window and selection.
    void Close();
    // Keyboard handling for the modeless dialog inside the main loop.
    bool PreTranslate(MSG& message);

    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();

    // The selected option's control, or null while none is selected.
    HWND SelectedOption() const;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct Option {
        HWND control;
        void (TForm1::*click)();
    };

    void CreateControls();
    HWND CreateControl(std::size_t index, const char* className, DWORD style);
    HWND CreateOption(std::size_t index, void (TForm1::*click)());
    void OnOptionClicked(HWND control);
    void Select(std::size_t option);
    void MoveFocus(bool forward);
    void OnActivate(bool active);

    std::array<std::unique_ptr<GdiFont>, 5> fonts_;  // the form's, then one per control
    HWND Label1 = nullptr;
    HWND RadioButton1 = nullptr;
    HWND RadioButton2 = nullptr;
    HWND RadioButton3 = nullptr;
    std::array<Option, 3> options_{};  // in tab order
    int selected_ = -1;
    HWND lastFocus_ = nullptr;
    bool shownBefore_ = false;
};
