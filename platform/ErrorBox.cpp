#include "platform/ErrorBox.h"

#include <SDL.h>

#include <cstdlib>
#include <string_view>

namespace {

bool set(const char* value)
{
    return value && *value;
}

} // namespace

bool messageBoxWanted(const char* noMessageBox, const char* display, const char* waylandDisplay,
                      const char* videoDriver)
{
    if (set(noMessageBox) && std::string_view(noMessageBox) == "1")
        return false;
    if (set(videoDriver) && (std::string_view(videoDriver) == "offscreen" || std::string_view(videoDriver) == "dummy"))
        return false;
    return set(display) || set(waylandDisplay);
}

void showErrorBox(const std::string& title, const std::string& text)
{
    if (messageBoxWanted(std::getenv("SOFTDEMO_NO_MESSAGE_BOX"), std::getenv("DISPLAY"),
                         std::getenv("WAYLAND_DISPLAY"), std::getenv("SDL_VIDEODRIVER")))
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), nullptr);
}
