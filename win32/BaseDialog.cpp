#include "win32/BaseDialog.h"

#include <exception>
#include <stdexcept>

#include "base/Files.h"

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    const Point point = cursorPoint();
    WindowMessages* object =
        message == WM_INITDIALOG ? reinterpret_cast<WindowMessages*>(lParam) : windowObject(dialog);
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
    return object ? object->dispatchDialog({dialog, message, wParam, lParam, 0, point}) : 0;
}

std::vector<WORD> dialogTemplate(const char* title, DialogOrigin at, int16_t width, int16_t height)
{
    constexpr DWORD style = 0x90C800C4;
    std::vector<WORD> t = {
        WORD(style & 0xFFFF), WORD(style >> 16), 0, 0, // style, extended style
        0,                                             // no items: the controls are made at run time
        WORD(at.x), WORD(at.y), WORD(width), WORD(height),
        0, 0, // no menu, the default class
    };
    for (const char* c = title; *c; ++c)
        t.push_back(WORD(uint8_t(*c)));
    t.push_back(0);
    t.push_back(8); // points
    for (const char* c = "MS Sans Serif"; *c; ++c)
        t.push_back(WORD(*c));
    t.push_back(0);
    return t;
}

HFONT setDefaultGuiFont(HWND control)
{
    LOGFONTA f{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof f, &f);
    HFONT font = CreateFontA(f.lfHeight, f.lfWidth, f.lfEscapement, f.lfOrientation, f.lfWeight, f.lfItalic,
                             f.lfUnderline, f.lfStrikeOut, f.lfCharSet, f.lfOutPrecision, f.lfClipPrecision,
                             f.lfQuality, f.lfPitchAndFamily, f.lfFaceName);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return font;
}

BaseDialog::~BaseDialog()
{
    release();
}

int BaseDialog::runModal(const char* title, int width, int height, HWND owner, HINSTANCE instance)
{
    RECT r{};
    GetWindowRect(owner, &r);
    const std::vector<WORD> t = dialogTemplate(title, dialogOrigin(r.right - r.left, r.bottom - r.top, width, height),
                                               int16_t(width), int16_t(height));
    WindowMessages* self = this; // what dialogProc takes lParam for
    const INT_PTR result = DialogBoxIndirectParamA(instance, reinterpret_cast<LPCDLGTEMPLATEA>(t.data()), owner,
                                                   dialogProc, reinterpret_cast<LPARAM>(self));
    const DWORD error = GetLastError();
    release();
    if (result == -1)
        throw std::runtime_error("DialogBoxIndirectParam: the dialog \"" + std::string(title) +
                                 "\" cannot open (Windows error " + std::to_string(error) + ")");
    return int(result);
}

int32_t BaseDialog::dispatchDialog(MessageRecord m)
{
    if (m.message == WM_INITDIALOG)
        dialog = static_cast<HWND>(m.window);
    const int32_t result = WindowMessages::dispatchDialog(m);
    if (m.message == WM_INITDIALOG)
        growToControls();
    return result;
}

HWND BaseDialog::addControl(const DialogControl& c)
{
    HWND control = CreateWindowExA(0, c.className, c.text, c.style, c.rect.x, c.rect.y, c.rect.width, c.rect.height,
                                   dialog, reinterpret_cast<HMENU>(uintptr_t(c.id)), GetModuleHandleA(nullptr),
                                   nullptr);
    placed.push_back(c.rect);
    if (control)
        owned.push_back(setDefaultGuiFont(control));
    return control;
}

void BaseDialog::addLabel(const DialogControl& c)
{
    HWND label = addControl(c);
    if (!label || !c.font)
        return;
    HFONT font = CreateFontA(c.font->height, c.font->width, 0, 0, c.font->weight, 0, 0, 0, c.font->charset, 0, 0, 0,
                             0, c.font->face);
    owned.push_back(font);
    SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void BaseDialog::addButton(const DialogControl& c, const std::string& bitmapPath)
{
    HWND button = addControl(c);
    if (!button)
        return;
    HANDLE image = nullptr;
    try {
        image = LoadImageW(nullptr, filePath(bitmapPath).c_str(), IMAGE_BITMAP, 0, 0,
                           LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    } catch (const std::exception&) {
        // A path that is not UTF-8 names no file: the button keeps its text.
    }
    if (!image)
        return;
    owned.push_back(image);
    SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
}

// Through the dialog manager rather than SetFocus: a push button given the
// focus so becomes the default button too, which Enter presses.
void BaseDialog::setFocus(uint16_t id)
{
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

void BaseDialog::endDialog(int result)
{
    EndDialog(dialog, result);
}

void BaseDialog::growToControls()
{
    RECT client{}, frame{};
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &frame);
    const ControlRect need = clientToHold(placed, {0, 0, client.right, client.bottom});
    if (need.width == client.right && need.height == client.bottom)
        return;
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left + need.width - client.right,
                 frame.bottom - frame.top + need.height - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void BaseDialog::release()
{
    for (HGDIOBJ o : owned)
        DeleteObject(o);
    owned.clear();
    placed.clear();
    dialog = nullptr;
}
