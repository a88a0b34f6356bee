#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>
#include <vector>

#include "SdlTest.h"
#include "TestData.h"
#include "platform/Base.h"
#include "platform/DemoDialog.h"
#include "platform/FontLookup.h"

namespace {

// The dialog, with input pushed once its controls exist and every command
// and its result noted, along with where the window was then.
struct ScriptedDialog : DemoDialog {
    std::function<void(SDL_Window*)> script;
    std::function<void(SDL_Window*)> onChoice = [](SDL_Window*) {};
    std::vector<std::pair<uint16_t, int32_t>> commands;
    SDL_Rect placed{};

    using DemoDialog::DemoDialog;

    int32_t onInitDialog(MessageRecord m) override
    {
        const int32_t result = DemoDialog::onInitDialog(m);
        script(static_cast<SDL_Window*>(m.window));
        return result;
    }
    int32_t onCommand(MessageRecord m) override
    {
        SDL_Window* window = static_cast<SDL_Window*>(m.window);
        SDL_GetWindowPosition(window, &placed.x, &placed.y);
        SDL_GetWindowSize(window, &placed.w, &placed.h);
        onChoice(window);
        const int32_t result = DemoDialog::onCommand(m);
        commands.emplace_back(uint16_t(m.wParam), result);
        return result;
    }
};

struct DialogTest : ::testing::Test {
    TempDir dir;
    DefaultWindow owner;

    void SetUp() override
    {
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        for (const char* name : {"ass1.bmp", "ass2.bmp"}) {
            SdlPtr<SDL_Surface> picture(SDL_CreateRGBSurfaceWithFormat(0, 128, 128, 24, SDL_PIXELFORMAT_BGR24));
            SDL_FillRect(picture.get(), nullptr, SDL_MapRGB(picture->format, 200, 40, 90));
            ASSERT_EQ(SDL_SaveBMP(picture.get(), dir.file(name).c_str()), 0);
        }
    }

    void click(SDL_Window* w, int x, int y)
    {
        pushEvent(mouseEvent(w, x, y, true));
        pushEvent(mouseEvent(w, x, y, false));
    }
};

TEST_F(DialogTest, EachButtonRecordsItsChoiceAndEndsWithZero)
{
    ScriptedDialog first(dir.str());
    first.script = [&](SDL_Window* w) { click(w, 70, 100); };
    EXPECT_EQ(first.run(owner.window), 0);
    EXPECT_EQ(first.choice, 10002);
    EXPECT_EQ(first.commands, (std::vector<std::pair<uint16_t, int32_t>>{{10002, 10002}}));

    ScriptedDialog second(dir.str());
    second.script = [&](SDL_Window* w) { click(w, 204, 100); };
    EXPECT_EQ(second.run(owner.window), 0);
    EXPECT_EQ(second.choice, 10003);
}

TEST_F(DialogTest, KeyboardPressesTheFocusedButton)
{
    // The first button starts with the focus.
    for (SDL_Scancode key : {SDL_SCANCODE_RETURN, SDL_SCANCODE_SPACE, SDL_SCANCODE_KP_ENTER}) {
        ScriptedDialog dialog(dir.str());
        dialog.script = [&](SDL_Window* w) { pushEvent(keyEvent(w, key)); };
        EXPECT_EQ(dialog.run(owner.window), 0);
        EXPECT_EQ(dialog.choice, 10002) << SDL_GetScancodeName(key);
    }
    // Tab moves on and wraps round; Shift+Tab moves back.
    const std::pair<std::vector<std::pair<SDL_Scancode, uint16_t>>, int32_t> runs[] = {
        {{{SDL_SCANCODE_TAB, 0}}, 10003},
        {{{SDL_SCANCODE_TAB, 0}, {SDL_SCANCODE_TAB, 0}}, 10002},
        {{{SDL_SCANCODE_TAB, KMOD_LSHIFT}}, 10003},
    };
    for (const auto& [keys, expected] : runs) {
        ScriptedDialog dialog(dir.str());
        dialog.script = [&](SDL_Window* w) {
            for (auto [key, mod] : keys)
                pushEvent(keyEvent(w, key, true, mod));
            pushEvent(keyEvent(w, SDL_SCANCODE_SPACE));
        };
        EXPECT_EQ(dialog.run(owner.window), 0);
        EXPECT_EQ(dialog.choice, expected);
    }
}

TEST_F(DialogTest, ClosingEndsWithOneAndNoChoice)
{
    ScriptedDialog dialog(dir.str());
    dialog.script = [&](SDL_Window* w) { pushEvent(closeEvent(w)); };
    EXPECT_EQ(dialog.run(owner.window), 1);
    EXPECT_EQ(dialog.choice, 0);
    EXPECT_TRUE(dialog.commands.empty());
}

TEST_F(DialogTest, EscapeAndStrayClicksLeaveItOpen)
{
    ScriptedDialog dialog(dir.str());
    dialog.script = [&](SDL_Window* w) {
        pushEvent(keyEvent(w, SDL_SCANCODE_ESCAPE)); // the cancel command, not handled
        click(w, 3, 3);                              // the dialog's face
        click(w, 137, 100);                          // between the buttons
        pushEvent(mouseEvent(w, 70, 100, true));     // pressed on Ass1, let go outside it
        pushEvent(mouseEvent(w, 204, 100, false));
        pushEvent(closeEvent(w));
    };
    EXPECT_EQ(dialog.run(owner.window), 1);
    EXPECT_EQ(dialog.choice, 0);
    EXPECT_EQ(dialog.commands, (std::vector<std::pair<uint16_t, int32_t>>{{2, 0}}));
}

TEST_F(DialogTest, WindowHoldsAllControlsWhereTheOwnerPlacesIt)
{
    ScriptedDialog dialog(dir.str());
    dialog.script = [&](SDL_Window* w) {
        EXPECT_STREQ(SDL_GetWindowTitle(w), "DemoDialog");
        click(w, 267, 163); // the last pixel of Ass2
    };
    EXPECT_EQ(dialog.run(owner.window), 0);
    EXPECT_EQ(dialog.choice, 10003);
    // 60 x 34 dialog units from a 512 x 384 owner at the origin.
    EXPECT_EQ(dialog.placed.x, 90);
    EXPECT_EQ(dialog.placed.y, 55);
    EXPECT_GE(dialog.placed.w, 268);
    EXPECT_GE(dialog.placed.h, 164);
}

TEST_F(DialogTest, MissingPicturesLeaveWorkingButtons)
{
    TempDir empty;
    ScriptedDialog dialog(empty.str());
    dialog.script = [&](SDL_Window* w) { click(w, 70, 100); };
    EXPECT_EQ(dialog.run(owner.window), 0);
    EXPECT_EQ(dialog.choice, 10002);
}

} // namespace

namespace {

// A fontconfig configuration of our own while this lives: only the given font
// files, with the system's rules for generic families.
struct PrivateFonts {
    TempDir dir;

    explicit PrivateFonts(const std::vector<std::string>& files)
    {
        namespace fs = std::filesystem;
        fs::create_directories(dir.file("fonts"));
        for (const std::string& f : files)
            fs::copy_file(f, dir.file("fonts/" + fs::path(f).filename().string()));
        std::ofstream conf(dir.file("fonts.conf"));
        conf << "<?xml version=\"1.0\"?>\n<fontconfig>\n<dir>" << dir.file("fonts") << "</dir>\n<cachedir>"
             << dir.file("cache") << "</cachedir>\n";
        for (const char* rules : {"30-metric-aliases", "45-latin", "49-sansserif", "60-latin"})
            conf << "<include ignore_missing=\"yes\">/etc/fonts/conf.d/" << rules << ".conf</include>\n";
        conf << "</fontconfig>\n";
        setenv("FONTCONFIG_FILE", dir.file("fonts.conf").c_str(), 1);
    }
    ~PrivateFonts() { unsetenv("FONTCONFIG_FILE"); }
};

const std::string kLiberationSerif = "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf";
const std::string kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

bool systemHasTestFonts()
{
    return std::filesystem::exists(kLiberationSerif) && std::filesystem::exists(kDejaVuSans);
}

} // namespace

TEST(FontLookup, FindsTheFamilyThenItsKindThenAnyFont)
{
    if (!systemHasTestFonts())
        GTEST_SKIP() << "needs fonts-liberation and fonts-dejavu-core";
    struct Case {
        std::vector<std::string> installed;
        const char* family;
        FontKind kind;
        std::string expected; // a file name, or empty for none
    } cases[] = {
        {{kLiberationSerif, kDejaVuSans}, "Liberation Serif", FontKind::Serif, "LiberationSerif-Regular.ttf"},
        {{kLiberationSerif, kDejaVuSans}, "No Such Face", FontKind::Serif, "LiberationSerif-Regular.ttf"},
        {{kLiberationSerif, kDejaVuSans}, "Liberation Sans", FontKind::Sans, "DejaVuSans.ttf"},
        {{kDejaVuSans}, "Liberation Serif", FontKind::Serif, "DejaVuSans.ttf"},
        {{}, "Liberation Serif", FontKind::Serif, ""},
    };
    for (const Case& c : cases) {
        PrivateFonts fonts(c.installed);
        const std::string file = findFontFile(c.family, c.kind);
        EXPECT_EQ(file.empty() ? "" : std::filesystem::path(file).filename().string(), c.expected)
            << c.family << " among " << c.installed.size() << " fonts";
    }
}

// However its lettering fares, the dialog shows its pictures, answers a
// click and says once what was missing.
TEST_F(DialogTest, DrawsAndAnswersWhateverBecomesOfItsFonts)
{
    if (!systemHasTestFonts())
        GTEST_SKIP() << "needs fonts-liberation and fonts-dejavu-core";
    struct Case {
        const char* name;
        std::vector<std::string> installed;
        bool rendererStarts;
        const char* warning; // part of the one warning, or empty when it is lettered
    } cases[] = {
        {"a missing family", {kDejaVuSans}, true, ""},
        {"no fonts at all", {}, true, "no font of the family"},
        {"the font renderer failing", {kDejaVuSans}, false, "the font renderer cannot start"},
    };
    for (const Case& c : cases) {
        PrivateFonts fonts(c.installed);
        std::vector<std::string> warnings;
        ScriptedDialog dialog(dir.str(), {findFontFile, [&] { return c.rendererStarts && TTF_Init() == 0; },
                                          [&](const std::string& w) { warnings.push_back(w); }});
        // Pressed at once, let go once the window has been shown a while: it
        // paints between the two, and the timer's event wakes it.
        dialog.script = [](SDL_Window* w) {
            pushEvent(mouseEvent(w, 70, 100, true));
            SDL_AddTimer(20, [](Uint32 interval, void* window) -> Uint32 {
                static bool shownBefore = false;
                const bool shown = SDL_GetWindowFlags(static_cast<SDL_Window*>(window)) & SDL_WINDOW_SHOWN;
                if (!std::exchange(shownBefore, shown) || !shown)
                    return interval;
                shownBefore = false;
                SDL_Event e = mouseEvent(static_cast<SDL_Window*>(window), 70, 100, false);
                SDL_PushEvent(&e);
                return 0;
            }, w);
        };
        bool pictured = false, lettered = false;
        dialog.onChoice = [&](SDL_Window* w) {
            const SDL_Surface* s = SDL_GetWindowSurface(w);
            const auto red = [&](int x, int y) {
                uint8_t r, g, b;
                SDL_GetRGB(static_cast<const uint32_t*>(s->pixels)[y * s->pitch / 4 + x], s->format, &r, &g, &b);
                return r == 200 && g == 40 && b == 90 ? 1 : r < 0x80 ? -1 : 0; // the picture, text, face
            };
            pictured = red(70, 90) == 1;
            for (int y = 5; y < 35; ++y)
                for (int x = 5; x < 205; ++x)
                    lettered |= red(x, y) < 0;
        };
        EXPECT_EQ(dialog.run(owner.window), 0) << c.name;
        EXPECT_EQ(dialog.choice, 10002) << c.name;
        EXPECT_TRUE(pictured) << c.name;
        EXPECT_EQ(lettered, !*c.warning) << c.name;
        ASSERT_EQ(warnings.size(), *c.warning ? 1u : 0u) << c.name;
        if (*c.warning) {
            EXPECT_NE(warnings[0].find(c.warning), std::string::npos) << warnings[0];
        }
    }
}
