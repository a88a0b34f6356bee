#include "platform/BaseDialog.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "platform/Base.h"
#include "platform/ButtonBitmap.h"
#include "platform/Events.h"

namespace {

// Dialog units of an 8-point dialog face: 4 to the average character width
// (6 px) and 8 to the character height (13 px), rounded like MulDiv.
int unitsToPixelsX(int units)
{
    return (units * 6 + (units < 0 ? -2 : 2)) / 4;
}

int unitsToPixelsY(int units)
{
    return (units * 13 + (units < 0 ? -4 : 4)) / 8;
}

void setColor(SDL_Renderer* r, uint32_t rgb)
{
    SDL_SetRenderDrawColor(r, uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255);
}

void fillRect(SDL_Renderer* r, SDL_Rect rect, uint32_t rgb)
{
    setColor(r, rgb);
    SDL_RenderFillRect(r, &rect);
}

SDL_Rect inset(SDL_Rect r, int by)
{
    return {r.x + by, r.y + by, r.w - 2 * by, r.h - 2 * by};
}

bool contains(const SDL_Rect& r, int x, int y)
{
    const SDL_Point p{x, y};
    return SDL_PointInRect(&p, &r);
}

// Black text, or none without a font.
SdlPtr<SDL_Surface> lettering(TTF_Font* font, const char* text)
{
    return SdlPtr<SDL_Surface>(font ? TTF_RenderUTF8_Blended(font, text, SDL_Color{0, 0, 0, 255}) : nullptr);
}

SDL_Rect toSdl(const ControlRect& r)
{
    return {r.x, r.y, r.width, r.height};
}

// The free face made to the measures of a face a dialog names, and its kind.
struct FaceTwin {
    const char* face;
    FontKind kind;
};

FaceTwin freeTwinOf(std::string_view face)
{
    if (face == "Times New Roman")
        return {"Liberation Serif", FontKind::Serif};
    return {"Liberation Sans", FontKind::Sans};
}

constexpr uint32_t kFace = 0xF0F0F0;
constexpr uint32_t kButtonFace = 0xE1E1E1;
constexpr uint32_t kButtonPressed = 0xCCE4F7;
constexpr uint32_t kButtonBorder = 0xADADAD;
constexpr uint32_t kFocusBorder = 0x0078D7;
constexpr uint32_t kText = 0x000000;

} // namespace

int32_t dialogProc(SDL_Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    WindowMessages* object =
        message == WM_INITDIALOG ? reinterpret_cast<WindowMessages*>(lParam) : windowObject(window);
    setWindowObject(window, object);
    if (!object)
        return 0;
    MessageRecord m{window, message, wParam, lParam, 0, {}};
    SDL_GetGlobalMouseState(&m.point.x, &m.point.y);
    return object->dispatchDialog(m);
}

BaseDialog::BaseDialog(DialogFonts fonts) : fontSource(std::move(fonts)) {}

BaseDialog::~BaseDialog()
{
    close();
}

int BaseDialog::runModal(const char* title, int width, int height, SDL_Window* owner)
{
    // Placed from the owner's rectangle, a quarter across and a fifth down.
    SDL_Rect ownerRect{0, 0, 0, 0};
    if (owner) {
        SDL_GetWindowPosition(owner, &ownerRect.x, &ownerRect.y);
        SDL_GetWindowSize(owner, &ownerRect.w, &ownerRect.h);
    }
    const DialogOrigin at = dialogOrigin(ownerRect.w, ownerRect.h, width, height);
    const int left = std::max(0, ownerRect.x + unitsToPixelsX(at.x));
    const int top = std::max(0, ownerRect.y + unitsToPixelsY(at.y));

    fontsStarted = fontSource.start();
    fontProblem = fontsStarted ? "" : std::string("the font renderer cannot start (") + TTF_GetError() + ")";
    window.reset(SDL_CreateWindow(title, left, top, unitsToPixelsX(width), unitsToPixelsY(height), SDL_WINDOW_HIDDEN));
    if (!window)
        throw std::runtime_error("cannot open the dialog \"" + std::string(title) + "\": " + SDL_GetError());
    setWindowProcedure(window.get(), dialogProc);
    try {
        guiFont = createFont("Liberation Sans", FontKind::Sans, 11);
        running = true;
        result = 0;
        dialogProc(window.get(), WM_INITDIALOG, 0, reinterpret_cast<intptr_t>(this));
        if (!fontProblem.empty() && fontSource.warn)
            fontSource.warn("the dialog shows no lettering: " + fontProblem);

        ControlRect client;
        SDL_GetWindowSize(window.get(), &client.width, &client.height);
        std::vector<ControlRect> rects;
        for (const Control& c : controls)
            rects.push_back({c.rect.x, c.rect.y, c.rect.w, c.rect.h});
        client = clientToHold(rects, client);
        // The renderer comes after the final size: a software renderer keeps the first one.
        SDL_SetWindowSize(window.get(), client.width, client.height);
        renderer.reset(SDL_CreateRenderer(window.get(), -1, SDL_RENDERER_SOFTWARE));
        if (!renderer)
            throw std::runtime_error("cannot draw the dialog \"" + std::string(title) + "\": " + SDL_GetError());
        for (Control& c : controls) {
            c.text = toTexture(c.textSurface);
            c.image = toTexture(c.imageSurface);
        }
        SDL_ShowWindow(window.get());
        SDL_RaiseWindow(window.get());

        // Paint once all pending events are handled: the first ones carry the new size.
        SDL_Event event;
        for (;;) {
            while (running && SDL_PollEvent(&event))
                handle(event);
            if (!running)
                break;
            paint();
            if (!SDL_WaitEvent(&event))
                throw std::runtime_error(std::string("the dialog lost its events: ") + SDL_GetError());
            handle(event);
        }
    } catch (...) {
        close();
        throw;
    }
    close();
    return result;
}

void BaseDialog::close()
{
    if (window) {
        setWindowObject(window.get(), nullptr);
        SDL_CaptureMouse(SDL_FALSE);
    }
    controls.clear();
    guiFont = nullptr;
    fonts.clear();
    renderer.reset();
    window.reset();
    focus = pressed = -1;
    running = false;
    if (fontsStarted)
        TTF_Quit();
    fontsStarted = false;
}

TTF_Font* BaseDialog::createFont(const char* family, FontKind kind, int pixelSize)
{
    if (!fontsStarted)
        return nullptr;
    const std::string file = fontSource.find(family, kind);
    SdlPtr<TTF_Font> font(file.empty() ? nullptr : TTF_OpenFont(file.c_str(), pixelSize));
    if (!font) {
        if (fontProblem.empty())
            fontProblem = file.empty() ? std::string("no font of the family \"") + family +
                                             "\" nor any other (install fonts-liberation)"
                                       : "cannot read the font " + file + " (" + TTF_GetError() + ")";
        return nullptr;
    }
    fonts.push_back(std::move(font));
    return fonts.back().get();
}

SdlPtr<SDL_Texture> BaseDialog::toTexture(SdlPtr<SDL_Surface>& surface)
{
    SdlPtr<SDL_Texture> texture(surface ? SDL_CreateTextureFromSurface(renderer.get(), surface.get()) : nullptr);
    surface.reset();
    return texture;
}

void BaseDialog::addLabel(const DialogControl& c)
{
    TTF_Font* font = guiFont;
    if (c.font) {
        // A 24-pixel character cell of the serif face is a 22-pixel em.
        const FaceTwin twin = freeTwinOf(c.font->face);
        font = createFont(twin.face, twin.kind, c.font->height * 11 / 12);
    }
    controls.push_back({toSdl(c.rect), c.id, false, lettering(font, c.text), nullptr, nullptr, nullptr});
}

void BaseDialog::addButton(const DialogControl& c, const std::string& bitmapFile)
{
    SdlPtr<SDL_Surface> words = lettering(guiFont, c.text);
    // A missing picture is not reported: the data check warns about it.
    SdlPtr<SDL_Surface> bitmap;
    if (SDL_RWops* file = SDL_RWFromFile(bitmapFile.c_str(), "rb"))
        bitmap = loadButtonBitmap(file, bitmapFile);
    controls.push_back({toSdl(c.rect), c.id, true, std::move(words), std::move(bitmap), nullptr, nullptr});
}

void BaseDialog::setFocus(uint16_t id)
{
    for (size_t i = 0; i < controls.size(); ++i)
        if (controls[i].button && controls[i].id == id)
            focus = int(i);
}

void BaseDialog::endDialog(int value)
{
    result = value;
    running = false;
}

void BaseDialog::command(uint16_t id)
{
    dialogProc(window.get(), WM_COMMAND, id, 0);
}

int BaseDialog::buttonAt(int x, int y) const
{
    for (size_t i = 0; i < controls.size(); ++i)
        if (controls[i].button && contains(controls[i].rect, x, y))
            return int(i);
    return -1;
}

void BaseDialog::moveFocus(int step)
{
    const int n = int(controls.size());
    for (int k = 1; k <= n; ++k) {
        const int i = ((focus < 0 ? 0 : focus) + step * k % n + n) % n;
        if (controls[i].button) {
            focus = i;
            return;
        }
    }
}

void BaseDialog::handle(const SDL_Event& event)
{
    MessageRecord m;
    if (!translateEvent(event, m))
        return;
    if (m.window != window.get()) {
        sendMessage(m.window, m.message, m.wParam, m.lParam);
        return;
    }
    const int x = int16_t(m.lParam & 0xFFFF);
    const int y = int16_t(m.lParam >> 16 & 0xFFFF);
    switch (m.message) {
    case WM_LBUTTONDOWN:
        if (const int hit = buttonAt(x, y); hit >= 0) {
            pressed = focus = hit;
            pressedInside = true;
            SDL_CaptureMouse(SDL_TRUE);
            return;
        }
        break;
    case WM_MOUSEMOVE:
        if (pressed >= 0) {
            pressedInside = contains(controls[pressed].rect, x, y);
            return;
        }
        break;
    case WM_LBUTTONUP:
        if (pressed >= 0) {
            const int button = pressed;
            pressed = -1;
            SDL_CaptureMouse(SDL_FALSE);
            if (contains(controls[button].rect, x, y))
                command(controls[button].id);
            return;
        }
        break;
    }
    dialogProc(window.get(), m.message, m.wParam, m.lParam);
    if (m.message != WM_KEYDOWN || !running || event.key.repeat)
        return;
    switch (m.wParam) {
    case 0x09: // Tab, Shift+Tab
        moveFocus(event.key.keysym.mod & KMOD_SHIFT ? -1 : 1);
        break;
    case 0x0D: // Enter
    case 0x20: // Space
        if (focus >= 0)
            command(controls[focus].id);
        break;
    case 0x1B: // Escape
        command(IDCANCEL);
        break;
    }
}

void BaseDialog::paint()
{
    SDL_Renderer* r = renderer.get();
    setColor(r, kFace);
    SDL_RenderClear(r);
    for (size_t i = 0; i < controls.size(); ++i) {
        const Control& c = controls[i];
        if (c.button) {
            drawButton(c, i);
        } else if (c.text) {
            int w = 0, h = 0;
            SDL_QueryTexture(c.text.get(), nullptr, nullptr, &w, &h);
            const SDL_Rect part{0, 0, std::min(w, c.rect.w), std::min(h, c.rect.h)};
            const SDL_Rect to{c.rect.x, c.rect.y, part.w, part.h};
            SDL_RenderCopy(r, c.text.get(), &part, &to);
        }
    }
    SDL_RenderPresent(r);
}

void BaseDialog::drawButton(const Control& c, size_t index)
{
    SDL_Renderer* r = renderer.get();
    const bool down = pressed == int(index) && pressedInside;
    const bool focused = focus == int(index);
    fillRect(r, c.rect, focused ? kFocusBorder : kButtonBorder);
    fillRect(r, inset(c.rect, 1), down ? kButtonPressed : kButtonFace);

    SDL_Rect area = inset(c.rect, 4);
    if (down) {
        area.x += 1;
        area.y += 1;
    }
    int tw = 0, th = 0;
    if (c.text)
        SDL_QueryTexture(c.text.get(), nullptr, nullptr, &tw, &th);
    if (c.image) {
        // The picture above its text, centred, shrunk only if it does not fit.
        SDL_Rect pictureArea{area.x, area.y, area.w, area.h - th - 2};
        int iw = 0, ih = 0;
        SDL_QueryTexture(c.image.get(), nullptr, nullptr, &iw, &ih);
        const float scale = std::min({1.0f, float(pictureArea.w) / float(iw), float(pictureArea.h) / float(ih)});
        const int w = int(float(iw) * scale), h = int(float(ih) * scale);
        const SDL_Rect to{pictureArea.x + (pictureArea.w - w) / 2, pictureArea.y + (pictureArea.h - h) / 2, w, h};
        SDL_RenderCopy(r, c.image.get(), nullptr, &to);
        area = {area.x, area.y + area.h - th, area.w, th};
    }
    if (c.text) {
        const SDL_Rect to{area.x + (area.w - tw) / 2, area.y + (area.h - th) / 2, tw, th};
        SDL_RenderCopy(r, c.text.get(), nullptr, &to);
    }
    if (focused) {
        // The dotted focus rectangle of a dialog's keyboard interface.
        setColor(r, kText);
        const SDL_Rect f = inset(c.rect, 3);
        for (int i = 0; i < f.w; i += 2) {
            SDL_RenderDrawPoint(r, f.x + i, f.y);
            SDL_RenderDrawPoint(r, f.x + i, f.y + f.h - 1);
        }
        for (int i = 0; i < f.h; i += 2) {
            SDL_RenderDrawPoint(r, f.x, f.y + i);
            SDL_RenderDrawPoint(r, f.x + f.w - 1, f.y + i);
        }
    }
}
