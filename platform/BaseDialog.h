#pragma once
#include <SDL.h>
#include <SDL_ttf.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/FontLookup.h"
#include "platform/SdlHandles.h"
#include "window/DemoDialogTable.h"
#include "window/WindowMessages.h"

// Where a dialog's lettering comes from. Without it the dialog still works:
// its pictures show, its text does not, and `warn` hears once what was missing.
struct DialogFonts {
    FontLookup find = findFontFile;
    std::function<bool()> start = [] { return TTF_Init() == 0; }; // the font renderer
    std::function<void(const std::string&)> warn;
};

// The procedure of dialogs. WM_INITDIALOG carries the object (lParam); every
// message binds the object it found to the window again.
int32_t dialogProc(SDL_Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// A modal dialog in its own window: labels and picture push buttons drawn in a
// flat style, with a dialog's keyboard interface (Tab moves the focus, Enter or
// Space presses the focused button, Escape sends the cancel command IDCANCEL).
// A pressed button reaches the object as WM_COMMAND with its identifier.
class BaseDialog : public WindowMessages, public DialogControls {
public:
    explicit BaseDialog(DialogFonts fonts = {});
    ~BaseDialog() override;

    // Opens the dialog (width × height dialog units, placed from its owner's
    // rectangle), lets this object answer its messages until a handler calls
    // endDialog, closes it and returns the result given there. The window grows
    // to hold all its controls. Throws std::runtime_error if it cannot be made.
    int runModal(const char* title, int width, int height, SDL_Window* owner);

    // For onInitDialog. A label's font is the free face made to the
    // measures of the one it names; without a font its text is not shown.
    void addLabel(const DialogControl& control) override;
    void addButton(const DialogControl& control, const std::string& bitmapFile) override;
    void setFocus(uint16_t id) override;
    void endDialog(int result) override;

private:
    struct Control {
        SDL_Rect rect;
        uint16_t id;
        bool button;
        SdlPtr<SDL_Surface> textSurface; // until the renderer exists
        SdlPtr<SDL_Surface> imageSurface;
        SdlPtr<SDL_Texture> text;
        SdlPtr<SDL_Texture> image;
    };

    // Fonts belong to the dialog; null when there is none to be had.
    TTF_Font* createFont(const char* family, FontKind kind, int pixelSize);
    SdlPtr<SDL_Texture> toTexture(SdlPtr<SDL_Surface>& surface);
    void handle(const SDL_Event& event);
    void command(uint16_t id);
    int buttonAt(int x, int y) const;
    void moveFocus(int step);
    void paint();
    void drawButton(const Control& c, size_t index);
    void close();

    SdlPtr<SDL_Window> window;
    SdlPtr<SDL_Renderer> renderer;
    DialogFonts fontSource;
    std::string fontProblem; // the first font that could not be had
    std::vector<SdlPtr<TTF_Font>> fonts;
    TTF_Font* guiFont = nullptr;
    std::vector<Control> controls;
    int focus = -1;   // index into controls
    int pressed = -1; // the button held down by the mouse
    bool pressedInside = false;
    bool running = false;
    bool fontsStarted = false;
    int result = 0;
};
