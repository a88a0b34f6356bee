#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "show/ShowDiff.h"

namespace {

const std::string kShow = R"(images {
    "data/a.png"
    "data/b.png"
    "data/f_1.png" .. "data/f_3.png"
}
effect 0 PutBuffer {
    flag := 0
    fromBuffer := "data/a.png"
    flag 1 -> 1 L 1000-1100
    alpha 0 -> 255 L 2000-3000
    posX 10 -> 10 H 4000-5000
    posX 20 -> 20 H 4500-4600
    posX 30 -> 30 H 6000-7000
    fromBuffer "data/b.png" 7500-7600
    fromBuffer "data/f_1.png" .. "data/f_3.png" (3 x 100 ms) 2 passes every 1000 from 8000 to 9300
}
generator Sine {
    amplitude := 50
    phaseOffset 100 -> 0 H 9000-9500
}
effect 1 Tunnel {
    time 0 -> 3 L 500-20000
}
)";

using Edit = std::pair<std::string, std::string>;

// kShow with the first of each `from` replaced by its `to`.
std::string edited(std::initializer_list<Edit> edits)
{
    std::string s = kShow;
    for (const auto& [from, to] : edits) {
        const size_t at = s.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            s.replace(at, from.size(), to);
    }
    return s;
}

} // namespace

TEST(ShowDiff, FirstDifferenceIsTheEarliestChangedSegmentOrTheStart)
{
    const struct Case {
        const char* what;
        std::string show;
        uint32_t ms;
    } cases[] = {
        {"the same text", kShow, kShowsAlike},
        {"comments and blank lines", edited({{"    flag := 0\n", "\n    flag := 0   # off\n\n"}}), kShowsAlike},
        {"no mode is a hold", edited({{"posX 10 -> 10 H 4000-5000", "posX 10 -> 10 4000-5000"}}), kShowsAlike},
        {"a segment's value", edited({{"alpha 0 -> 255", "alpha 0 -> 128"}}), 2000},
        {"a segment's mode", edited({{"alpha 0 -> 255 L", "alpha 0 -> 255 H"}}), 2000},
        {"a segment's end", edited({{"L 2000-3000", "L 2000-3500"}}), 2000},
        {"a segment moved earlier", edited({{"L 2000-3000", "L 1500-2500"}}), 1500},
        {"a segment moved later", edited({{"L 2000-3000", "L 2500-3500"}}), 2000},
        {"a segment added", edited({{"    posX 30", "    alpha 9 -> 9 H 5200-5300\n    posX 30"}}), 5200},
        {"a segment removed", edited({{"    posX 20 -> 20 H 4500-4600\n", ""}}), 4500},
        // The later posX segment keeps its say wherever the changed one does not cover the time.
        {"one in the middle of a variable's", edited({{"posX 20 -> 20 H 4500", "posX 21 -> 21 H 4500"}}), 4500},
        {"two segments in the other order",
         edited({{"    posX 10 -> 10 H 4000-5000\n    posX 20 -> 20 H 4500-4600\n",
                  "    posX 20 -> 20 H 4500-4600\n    posX 10 -> 10 H 4000-5000\n"}}),
         4000},
        {"the same segment on another variable", edited({{"posX 30 -> 30", "posY 30 -> 30"}}), 6000},
        {"a picture segment swapped", edited({{"\"data/b.png\" 7500", "\"data/a.png\" 7500"}}), 7500},
        {"a run's passes moved", edited({{"every 1000 from 8000 to 9300", "every 1100 from 8000 to 9400"}}), 9000},
        {"a segment of a later effect", edited({{"time 0 -> 3 L 500", "time 0 -> 4 L 500"}}), 500},
        {"a base value", edited({{"flag := 0", "flag := 1"}}), 0},
        {"a base value removed", edited({{"    flag := 0\n", ""}}), 0},
        {"a picture of the list",
         edited({{"    \"data/b.png\"\n", "    \"data/c.png\"\n"}, {"\"data/b.png\" 7500", "\"data/c.png\" 7500"}}), 0},
        {"the pictures in another order",
         edited({{"    \"data/a.png\"\n    \"data/b.png\"\n", "    \"data/b.png\"\n    \"data/a.png\"\n"}}), 0},
        {"a picture added", edited({{"    \"data/b.png\"\n", "    \"data/b.png\"\n    \"data/d.png\"\n"}}), 0},
        {"an effect's class", edited({{"effect 1 Tunnel", "effect 1 Voxel"}}), 0},
        {"an effect added", kShow + "effect 2 Clear {\n}\n", 0},
        {"a generator's segment", edited({{"H 9000-9500", "H 9100-9500"}}), 0},
        {"a generator's base value", edited({{"amplitude := 50", "amplitude := 51"}}), 0},
    };
    const ShowScript before = parseShow(kShow, "before.show");
    for (const Case& c : cases) {
        const ShowScript after = parseShow(c.show, "after.show");
        EXPECT_EQ(firstDifferenceMs(before, after), c.ms) << c.what;
        EXPECT_EQ(firstDifferenceMs(after, before), c.ms) << c.what << ", the other way";
    }
}
