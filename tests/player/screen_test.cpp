#include <gtest/gtest.h>

#include "SdlTest.h"
#include "platform/Screen.h"

TEST(Screen, PictureRectLetterboxesAWindowAndStretchesFullScreen)
{
    struct Case {
        int w, h;
        bool stretch;
        SDL_Rect expected;
    } cases[] = {
        {1024, 768, false, {0, 0, 1024, 768}},  // 4:3 exactly
        {1920, 1080, false, {240, 0, 1440, 1080}}, // wide: bars left and right
        {800, 1000, false, {0, 200, 800, 600}},  // tall: bars above and below
        {640, 479, false, {1, 0, 638, 479}},     // rounds down, stays inside
        {1920, 1080, true, {0, 0, 1920, 1080}},  // full screen stretches
        {0, 0, false, {0, 0, 0, 0}},             // a minimised window
    };
    for (const Case& c : cases) {
        const SDL_Rect r = Screen::pictureRect(c.w, c.h, 512, 384, c.stretch);
        EXPECT_EQ(r.x, c.expected.x) << c.w << "x" << c.h;
        EXPECT_EQ(r.y, c.expected.y) << c.w << "x" << c.h;
        EXPECT_EQ(r.w, c.expected.w) << c.w << "x" << c.h;
        EXPECT_EQ(r.h, c.expected.h) << c.w << "x" << c.h;
    }
}

TEST(Screen, SwitchesBetweenFullScreenAndAWindowAndPresentsInBoth)
{
    PixelBuffer frame("FrameBuffer", 512, 384);
    Screen screen(512, 384, {.fullScreen = false});
    EXPECT_FALSE(screen.fullScreen());
    int overlays = 0;
    screen.present(frame, [&](SDL_Renderer*, const SDL_Rect& picture) {
        ++overlays;
        EXPECT_GT(picture.w, 0);
    });
    screen.setFullScreen(true);
    EXPECT_TRUE(screen.fullScreen());
    screen.present(frame);
    screen.setFullScreen(false);
    EXPECT_FALSE(screen.fullScreen());
    screen.present(frame, [&](SDL_Renderer*, const SDL_Rect&) { ++overlays; });
    EXPECT_EQ(overlays, 2);
}
