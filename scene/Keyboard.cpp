#include "scene/Keyboard.h"

#include <algorithm>
#include <iterator>

static KeyQuery* keyQuery = nullptr;
static bool released[256] = {};

void setKeyQuery(KeyQuery* query)
{
    keyQuery = query;
}

bool keyPressed(uint8_t virtualKey)
{
    const bool down = keyQuery && keyQuery->isDown(virtualKey);
    const bool pressed = down && released[virtualKey];
    released[virtualKey] = !down;
    return pressed;
}

void resetKeyPresses()
{
    std::fill(std::begin(released), std::end(released), false);
}
