#pragma once
#include <memory>
#include <string>

#include "app/Player.h"
#include "scene/Keyboard.h"
#include "win32/Base.h"
#include "win32/WaveOutAudio.h"

// The player's calls on Windows: the multimedia timer's tick (at a 1 ms
// period while this lives), the asynchronous key state for Escape and the
// scene's keys, the start-up dialog over the hidden main window, a topmost
// popup over the whole screen drawn with StretchDIBits (in step with the
// compositor through DwmFlush where it runs), and waveOut for the music.
class WinPlayer final : public PlayerPlatform, public KeyQuery {
public:
    explicit WinPlayer(HINSTANCE instance);
    ~WinPlayer() override;
    WinPlayer(const WinPlayer&) = delete;
    WinPlayer& operator=(const WinPlayer&) = delete;

    uint32_t tick() override { return timeGetTime(); }
    bool escapePressed() override;
    bool closeRequested() override { return closing; }
    AudioDevice* audio() override { return &music; }
    void ask(const std::string& dataDir) override;
    bool openScreen(int frameWidth, int frameHeight, bool vsync) override;
    void pause(uint32_t ms) override;
    void present(const PixelBuffer& frame) override;
    void showError(const std::string& title, const std::string& text) override;
    void leaveAtOnce() override;

    // The scene's keys: down at the moment of the question.
    bool isDown(uint8_t virtualKey) override;

private:
    // The show's window is of the system's "static" class; this procedure
    // goes before the class's own.
    static LRESULT CALLBACK screenProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void pump();
    void blank();

    HINSTANCE instance;
    WaveOutAudio music;
    std::unique_ptr<DefaultWindow> mainWindow;
    HWND screen = nullptr;
    WNDPROC staticProc = nullptr;
    HDC dc = nullptr;
    int screenWidth = 0;
    int screenHeight = 0;
    BITMAPINFO frameInfo{};
    bool waitForCompositor = false;
    bool cursorHidden = false;
    bool framesShown = false;
    bool escapeSeen = false; // an Escape key message since the last question
    bool closing = false;
};

// The whole player on Windows. Returns the exit code (Player::run).
int runPlayer(HINSTANCE instance);
