#pragma once
#include <cstdint>

// Key numbers, with the Win32 virtual-key values.
constexpr uint8_t kKeyEscape = 0x1B;
constexpr uint8_t kKeyPageUp = 0x21;
constexpr uint8_t kKeyPageDown = 0x22;
constexpr uint8_t kKeyLeft = 0x25;
constexpr uint8_t kKeyUp = 0x26;
constexpr uint8_t kKeyRight = 0x27;
constexpr uint8_t kKeyDown = 0x28;

// Whether a key is held at the moment of the question. The player answers
// from its window system; the core never depends on one.
class KeyQuery {
public:
    virtual ~KeyQuery() = default;
    virtual bool isDown(uint8_t virtualKey) = 0;
};

// The process-wide query; null (the start) means no key is ever down.
void setKeyQuery(KeyQuery* query);

// True at the first poll that finds the key down after a poll that found it
// up: holding does not repeat, and a key already down at its first poll is not
// a press. One table of released flags serves every caller.
bool keyPressed(uint8_t virtualKey);

// Forgets every earlier poll, as at start-up.
void resetKeyPresses();
