#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "win32/Base.h"
#include "window/DemoDialogTable.h"

// The procedure of dialogs. The object comes with WM_INITDIALOG (lParam);
// every message stores the object it found as the window's GWLP_USERDATA
// again. Messages before WM_INITDIALOG (the WM_SETFONT of DS_SETFONT) find
// none and return 0.
INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// An in-memory dialog template (DLGTEMPLATE) with no items: style 0x90C800C4
// (popup, visible, caption, system menu, modal frame, DS_SETFONT, 3D look),
// at x, y with width x height dialog units, no menu, the default class, the
// title widened to UTF-16 and the 8-point "MS Sans Serif" face.
std::vector<WORD> dialogTemplate(const char* title, DialogOrigin at, int16_t width, int16_t height);

// The DEFAULT_GUI_FONT's LOGFONTA made anew and set on the control; the
// font is returned for its owner to free.
HFONT setDefaultGuiFont(HWND control);

// A modal dialog from a template built in memory, its controls made when it
// starts (onInitDialog).
class BaseDialog : public WindowMessages, public DialogControls {
public:
    BaseDialog() = default;
    ~BaseDialog() override;

    // Runs the dialog over `owner`, placed from its rectangle, until a
    // handler ends it; returns the result given to endDialog. The dialog grows
    // to hold its controls. Throws std::runtime_error when
    // DialogBoxIndirectParamA cannot make it.
    int runModal(const char* title, int width, int height, HWND owner, HINSTANCE instance);

    // Knows its window from WM_INITDIALOG, and grows to its controls after it.
    int32_t dispatchDialog(MessageRecord m) override;

    void addLabel(const DialogControl& control) override;
    // The picture is read through the wide-character call: the data folder may
    // have any name.
    void addButton(const DialogControl& control, const std::string& bitmapPath) override;
    void setFocus(uint16_t id) override;
    void endDialog(int result) override;

protected:
    HWND dialog = nullptr; // while it runs

private:
    HWND addControl(const DialogControl& control);
    void growToControls();
    void release();

    std::vector<ControlRect> placed;
    std::vector<HGDIOBJ> owned; // fonts and pictures, freed once the controls are gone
};
