#include <benchmark/benchmark.h>

#include "gfx/PixelBuffer.h"
#include "scene/Scene.h"

// One Scene::draw into the 512 x 384 frame, cycling through a spread of
// rotation times. Argument: platonic (1 tetrahedron, 2 cube).
static void BM_SceneDraw(benchmark::State& state)
{
    PixelBuffer frame("FrameBuffer", 512, 384);
    Scene scene;
    scene.initVariables(&frame);
    scene.applyBaseValues();
    scene.platonic = uint8_t(state.range(0));
    scene.z = 20.0f;
    int i = 0;
    for (auto _ : state) {
        scene.time = float(i++ % 64) * 1850.0f;
        scene.draw();
        benchmark::DoNotOptimize(frame.pixels);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SceneDraw)->Arg(1)->Arg(2);
