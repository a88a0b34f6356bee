#include <gtest/gtest.h>

#include "TestData.h"
#include "base/Files.h"
#include "pack/DataLookup.h"

TEST(DataLookup, PlacesComeInOrderAndLeaveOutWhatIsUnknown)
{
    const auto dirs = [](const std::vector<DataPlace>& places) {
        std::vector<std::string> out;
        for (const DataPlace& p : places)
            out.push_back(p.dir);
        return out;
    };
    // As the lookup joins them, with the system's separator.
    const auto joined = [](const std::string& dir, const char* rest) { return pathText(filePath(dir) / rest); };
    using List = std::vector<std::string>;
    constexpr PackLayout installed = PackLayout::Installed, beside = PackLayout::BesideProgram;
    // A checkout: its data/ is found from any folder in it, and from a program built in it.
    TempDir checkout, elsewhere;
    writeBytes(checkout.file("show/demo.show"), {});
    std::filesystem::create_directories(checkout.file("build/tools"));
    std::filesystem::create_directories(elsewhere.file("bin"));
    const std::string data = joined(checkout.str(), "data");
    struct Case {
        const char* environment;
        std::string program, current;
        PackLayout layout;
        List expected;
    } cases[] = {
        {"/mine", "/opt/sd/bin", "/", installed, {"/mine", "data", joined("/opt/sd", "share/softdemo/data")}},
        {"", "/usr/bin", "", installed, {"data", joined("/usr", "share/softdemo/data")}},
        {nullptr, "", "", installed, {"data"}},
        {nullptr, "", checkout.file("build/tools"), installed, {"data", data}},
        {nullptr, checkout.file("build"), elsewhere.file("bin"), installed,
         {"data", data, joined(checkout.str(), "share/softdemo/data")}},
        // At the checkout's root its data/ is ./data, named once.
        {nullptr, "", checkout.file(""), installed, {"data"}},
        // Unpacked beside the program: its own data/ before ./data, nothing installed.
        {"/mine", "/opt/sd/bin", "/", beside, {"/mine", joined("/opt/sd/bin", "data"), "data"}},
        {nullptr, "", "", beside, {"data"}},
        {nullptr, checkout.file("build"), elsewhere.file("bin"), beside,
         {joined(checkout.file("build"), "data"), "data", data}},
        // Started in the program's own folder, or in the checkout with the program at its root.
        {nullptr, elsewhere.file("bin"), elsewhere.file("bin"), beside, {joined(elsewhere.file("bin"), "data")}},
        {nullptr, checkout.str(), checkout.file("build/tools"), beside, {data, "data"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dirs(dataPlaces(c.environment, c.program, c.current, c.layout)), c.expected)
            << c.program << " " << c.current;
}

TEST(DataLookup, TakesTheFirstPlaceHoldingAnyFileOfThePack)
{
    // Three places: SOFTDEMO_DATA's, the current folder's and the installed one.
    TempDir mine, here, installed;
    std::filesystem::create_directories(here.file("data"));
    const std::vector<DataPlace> places = {
        {mine.file("data"), "SOFTDEMO_DATA"}, {here.file("data"), "the current folder"},
        {installed.file("data"), "installed with the program"}};
    struct Case {
        bool mine, here, installed;
        int expected; // index into places, -1 for none
        bool warned;
    } cases[] = {
        {true, true, true, 0, false},   {false, true, true, 1, true}, {false, false, true, 2, true},
        {true, false, false, 0, false}, {false, false, false, -1, false},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(mine.file("data"));
        std::filesystem::remove_all(installed.file("data"));
        std::filesystem::remove(here.file("data/tarnolm/heightmap.raw"));
        // A map alone makes a pack (the data check then names what it lacks);
        // an empty folder does not.
        if (c.mine)
            writeBytes(mine.file("data/white.png"), {1});
        if (c.here)
            writeBytes(here.file("data/tarnolm/heightmap.raw"), {});
        if (c.installed)
            writeBytes(installed.file("data/fried.mp3"), {1});

        const DataLookup found = findDataDirectory(places);
        const std::string label = std::to_string(c.mine) + std::to_string(c.here) + std::to_string(c.installed);
        EXPECT_EQ(found.dir, c.expected < 0 ? "" : places[size_t(c.expected)].dir) << label;
        EXPECT_EQ(found.warning.find("SOFTDEMO_DATA names " + places[0].dir) == 0, c.warned) << found.warning;
        if (c.expected >= 0)
            continue;
        for (const DataPlace& p : places)
            EXPECT_NE(found.error.find(p.dir + " (" + p.why + ")"), std::string::npos) << found.error;
        EXPECT_NE(found.error.find("softdemo-assets --out data"), std::string::npos) << found.error;
    }
}
