// resources/Layouts.h: the stored layouts of the menu window and the uninstall dialog.
#pragma once

namespace layout {

constexpr unsigned char kAnsiCharset = 0;
constexpr unsigned char kDefaultCharset = 1;

struct Font {
    const char* face;
    int height;  // negative: character height in pixels at 96 dots per inch
    bool bold;
    unsigned char charset;
};

struct Bounds {
    int left, top, width, height;
};

struct Control {
    Bounds bounds;
    const char* caption;
    Font font;
    int tabOrder;  // position among the options in the focus order; -1: takes no part
};

struct Form {
    const char* caption;
    int clientWidth, clientHeight;
    int storedLeft, storedTop;  // where the window is created; centred before its first show
};

namespace installmain {
constexpr Form kForm = {"InstallForm", 599, 398, 540, 394};
constexpr int kOuterWidth = 607;
constexpr int kOuterHeight = 425;
constexpr Bounds kSetupImage = {0, 0, 600, 400};
constexpr const char* kSetupImagePicture = "SETUPIMAGE";
constexpr const char* kShownCaption = "Welcome to Veltrana Setup";
}  // namespace installmain

namespace select {
constexpr Form kForm = {"Uninstall Driver", 379, 127, 533, 327};
constexpr Font kFormFont = {"MS Sans Serif", -11, false, kDefaultCharset};
// In creation order; each later control lies above the earlier ones.
constexpr Control kLabel1 = {{17, 6, 257, 16}, "Please select your Veltrana card",
                             {"MS Sans Serif", -13, true, kDefaultCharset}, -1};
constexpr Control kRadioButton1 = {{8, 57, 345, 30}, "Veltrana Quill / Dual Quill",
                                   {"Arial", -13, false, kAnsiCharset}, 0};
constexpr Control kRadioButton2 = {{8, 26, 361, 35}, "Veltrana Onyx",
                                   {"Arial", -13, false, kAnsiCharset}, 1};
constexpr Control kRadioButton3 = {{9, 89, 345, 25}, "Veltrana Brio/ Nomad/ Brio Max",
                                   {"MS Sans Serif", -13, false, kDefaultCharset}, 2};
}  // namespace select

}  // namespace layout
