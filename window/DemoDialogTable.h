#pragma once
#include <cstdint>
#include <span>
#include <string>

// The start-up question as every window system shows it: its title, size and
// place, its controls, and what its buttons and its close box answer. Each
// platform's dialog supplies only how a control is made and how it ends.

// A rectangle in pixels of a dialog's client area.
struct ControlRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// A font as asked of the window system: character cell height and average
// width in pixels, weight and character set.
struct FontRequest {
    const char* face;
    int32_t height;
    int32_t width;
    int32_t weight;
    uint8_t charset;
};

enum class ControlKind : uint8_t { Label, Button };

struct DialogControl {
    ControlKind kind;
    const char* className;
    const char* text;
    uint32_t style;
    ControlRect rect;
    uint16_t id;
    const FontRequest* font; // null: the default GUI font
    const char* bitmap;      // a picture in the data folder shown instead of the text, or null
    bool focus;              // takes the keyboard focus once made
};

constexpr const char* kDemoDialogTitle = "DemoDialog";
constexpr int kDemoDialogWidth = 137; // dialog units
constexpr int kDemoDialogHeight = 85;
constexpr uint16_t kAss1 = 10002;
constexpr uint16_t kAss2 = 10003;

// Label, first button, second button, in the order they are made.
extern const DialogControl kDemoDialogControls[3];

// What a window system's dialog does for the question.
class DialogControls {
public:
    virtual ~DialogControls() = default;
    virtual void addLabel(const DialogControl& control) = 0;
    // A picture that does not load leaves the button with its text; nothing is said.
    virtual void addButton(const DialogControl& control, const std::string& bitmapPath) = 0;
    virtual void setFocus(uint16_t id) = 0;
    // The modal loop ends and the dialog's run returns `result`.
    virtual void endDialog(int result) = 0;
};

// Where a dialog of width x height dialog units opens over an owner window of
// ownerWidth x ownerHeight pixels: a quarter across and a fifth down, less
// half its size. Every division truncates toward zero; the results are kept
// in 16 bits, as a dialog template holds them.
struct DialogOrigin {
    int16_t x;
    int16_t y;
};
DialogOrigin dialogOrigin(int ownerWidth, int ownerHeight, int width, int height);

// The client area that holds every control with the controls' own left and
// top margins on the right and at the bottom too; never less than `client`.
// The question's controls are placed in pixels and overflow its 137 x 85
// units at common font sizes, so the dialog grows to them.
ControlRect clientToHold(std::span<const ControlRect> controls, ControlRect client);

// The handlers of the question. onInitDialog: makes the controls of the
// table with their pictures from dataDir, the focus on the first button;
// choice 0; result 0 (the focus is set).
int32_t initDemoDialog(DialogControls& dialog, const std::string& dataDir, int32_t& choice);
// onCommand: a picture button records its identifier in `choice` and ends the
// dialog with 0, its identifier the result. Any other command (the cancel
// command of Escape too) leaves it open: 0.
int32_t demoDialogCommand(DialogControls& dialog, uintptr_t wParam, int32_t& choice);
// onClose: ends it with 1.
int32_t closeDemoDialog(DialogControls& dialog);
