#pragma once
// A small show with every effect class at work, and its data, for tests of
// state that a frame leaves for the next.
#include <string>
#include <vector>

#include "TestData.h"
#include "effects/Random.h"
#include "show/ShowScript.h"
#include "show/Timeline.h"

// Every effect class at work, the random ones included, the solid switching
// solids, and one effect drawing into a picture that another then reads.
inline constexpr const char* kEveryClass = R"(images {
    "data/tex.png"
    "data/canvas.png"
}
effect 0 GradientReflected {
    color 0 -> 16777215 L 0-2000
}
effect 1 Noise {
    flag := 0
    flag 1 -> 1 H 300-600
    color := 16744576
}
effect 2 Tunnel {
    fromBuffer := "data/tex.png"
    time 0 -> 3 L 0-3000
    flag 0 -> 0 H 900-1200
}
effect 3 CAExp {
    pixelRef := "data/canvas.png"
}
effect 4 PutBuffer {
    fromBuffer := "data/canvas.png"
    blendmode := 1
    alpha := 200
    random2 1 -> 1 H 1000-1500
}
effect 5 Voxel {
    flag := 0
    flag 1 -> 1 H 1400-1700
    goForwardAmount := 10
    goForward 0 -> 200 L 1400-1700
    offsetX 0 -> 255 L 1400-1700
}
effect 6 Scene {
    time 0 -> 3000 L 0-3000
    platonic 2 -> 2 H 800-1600
    platonic 3 -> 3 H 1600-2200
    z 100 -> 20 L 0-1000
}
effect 7 PutBuffer {
    fromBuffer := "data/tex.png"
    blendmode := 3
    alpha := 255
    randFlag := 1
    randAmount := 7
    sinewave := 1
    amplitude := 30
    time 0 -> 20 L 0-3000
    posX 0 -> 400 L 0-3000
}
effect 8 Box {
    posX 0 -> 480 L 0-3000
    color := 16711935
}
effect 9 Circle {
    pixelRef := "data/canvas.png"
    posY 0 -> 90 L 0-3000
    color := 255
}
effect 10 Clear {
    flag := 0
    flag 1 -> 1 H 2600-2700
    flag 0 -> 0 H 2750-2800
    color := 4210752
}
generator Sine {
    amplitude := 50
    equilibrium := 192
}
)";

struct EveryClassShow {
    TempDir dir;
    ShowScript script;

    EveryClassShow()
    {
        writeMaps(dir);
        std::vector<uint32_t> tex(64 * 64), canvas(128 * 96);
        for (size_t i = 0; i < tex.size(); ++i)
            tex[i] = 0x80000000u | uint32_t(i * 2654435761u >> 8);
        for (size_t i = 0; i < canvas.size(); ++i)
            canvas[i] = (i % 3 == 0) ? 0xff0000ffu : 0xff00ff00u;
        writePng(dir.file("tex.png"), 64, 64, tex);
        writePng(dir.file("canvas.png"), 128, 96, canvas);
        script = parseShow(kEveryClass, "every.show");
    }
};


// The hashes of a straight run's frames from the generator's first state,
// each mixed with the hash of the picture `alsoDrawn` when one is named.
inline std::vector<uint64_t> straightRun(const ShowScript& script, const std::string& data, uint32_t fps,
                                         uint64_t frames, const char* alsoDrawn = nullptr)
{
    randomState() = 1;
    Timeline timeline(script, data, fps);
    std::vector<uint64_t> hashes;
    const PixelBuffer* other = alsoDrawn ? timeline.production().getBuffer(alsoDrawn) : nullptr;
    while (hashes.size() < frames && timeline.renderNext())
        hashes.push_back(frameHash(timeline.frameBuffer()) ^ (other ? frameHash(*other) * 3 : 0));
    return hashes;
}
