#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "AllocationCount.h"
#include "gfx/PixelBuffer.h"
#include "scene/Keyboard.h"
#include "scene/Scene.h"

// Keys held down by the test; every poll is recorded.
struct FakeKeys : KeyQuery {
    std::set<uint8_t> down;
    std::vector<uint8_t> polls;

    bool isDown(uint8_t key) override
    {
        polls.push_back(key);
        return down.count(key) != 0;
    }
};

class SceneTest : public ::testing::Test {
protected:
    FakeKeys keys;
    PixelBuffer frame{"FrameBuffer", 512, 384};

    void SetUp() override
    {
        resetKeyPresses();
        setKeyQuery(&keys);
    }
    void TearDown() override
    {
        setKeyQuery(nullptr);
        resetKeyPresses();
    }

    // As the show leaves a new effect: switched on, numbers 0, drawing into the frame.
    void prepare(Scene& scene)
    {
        scene.initVariables(&frame);
        scene.applyBaseValues();
    }

    std::vector<uint32_t> pixels() const { return {frame.pixels, frame.pixels + frame.pixelCount}; }
    void clear() { std::fill_n(frame.pixels, frame.pixelCount, 0u); }
};

TEST_F(SceneTest, VariablesAndStartingValues)
{
    Scene scene;
    EXPECT_STREQ(scene.name, "Scene");
    const char* names[7] = {"flag", "x", "y", "z", "time", "platonic", "pixelRef"};
    const char* tags[7] = {"char *", "float *", "float *", "float *", "float *", "unsigned char *",
                           "struct PixelBuffer * *"};
    ASSERT_EQ(scene.variables.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(scene.variables[i].name, names[i]);
        EXPECT_EQ(scene.variables[i].typeName, tags[i]);
    }
    EXPECT_EQ(scene.flag, 0);
    EXPECT_EQ(scene.z, 20.0f);
    EXPECT_EQ(scene.platonic, 1);

    prepare(scene);
    EXPECT_EQ(scene.flag, 1);
    EXPECT_EQ(scene.z, 0.0f);
    EXPECT_EQ(scene.platonic, 0);
    EXPECT_EQ(scene.pixelRef, &frame);
}

TEST_F(SceneTest, DefaultViewDrawsTheTetrahedronFaceOn)
{
    Scene scene;
    scene.flag = 1;
    scene.pixelRef = &frame;
    scene.draw();
    for (int i = 0; i < 16; ++i) {
        const float identity = (i % 5 == 0) ? 1.0f : 0.0f;
        EXPECT_EQ(scene.rotation.m[i], i == 11 ? 20.0f : identity) << i;
    }
    for (int x = 180; x <= 330; ++x)
        ASSERT_EQ(frame.pixels[191 * 512 + x], 0x00939393u) << x;
    EXPECT_EQ(frame.pixels[191 * 512 + 179], 0u);
    EXPECT_EQ(frame.pixels[138 * 512 + 256], 0u);

    // Only the two faces whose normals point at the camera cover anything.
    Mesh mesh = buildMesh(Tetrahedron, 5.0f);
    SceneRenderer reference;
    reference.loadMesh(mesh.vertices.get(), mesh.vertexCount, mesh.faces.get(), 2);
    std::vector<uint32_t> expected(512 * 384, 0);
    reference.render(expected.data());
    EXPECT_EQ(pixels(), expected);
}

TEST_F(SceneTest, SwitchedOffSceneNeitherDrawsNorReadsKeys)
{
    Scene scene;
    scene.pixelRef = &frame;
    keys.down = {kKeyPageUp};
    scene.draw();
    keys.down.clear();
    scene.draw();
    keys.down = {kKeyPageUp};
    scene.draw();
    EXPECT_TRUE(keys.polls.empty());
    EXPECT_EQ(scene.z, 20.0f);
    EXPECT_EQ(pixels(), std::vector<uint32_t>(512 * 384, 0));
}

TEST_F(SceneTest, KeyPressesAreEdges)
{
    keys.down = {kKeyEscape};
    EXPECT_FALSE(keyPressed(kKeyEscape)); // down at its first poll: not a press
    EXPECT_FALSE(keyPressed(kKeyEscape));
    keys.down.clear();
    EXPECT_FALSE(keyPressed(kKeyEscape));
    keys.down = {kKeyEscape};
    EXPECT_TRUE(keyPressed(kKeyEscape));
    EXPECT_FALSE(keyPressed(kKeyEscape)); // held: no repeat
    EXPECT_FALSE(keyPressed(kKeyUp));     // each key has its own flag
    keys.down.clear();
    EXPECT_FALSE(keyPressed(kKeyEscape));
    keys.down = {kKeyEscape};
    EXPECT_TRUE(keyPressed(kKeyEscape));

    // Forgotten after a reset; with no query no key is ever down.
    keys.down.clear();
    keyPressed(kKeyEscape);
    resetKeyPresses();
    keys.down = {kKeyEscape};
    EXPECT_FALSE(keyPressed(kKeyEscape));
    setKeyQuery(nullptr);
    EXPECT_FALSE(keyPressed(kKeyEscape));
    EXPECT_FALSE(keyPressed(kKeyEscape));
}

TEST_F(SceneTest, KeysNudgeTheSolidOnePressAtATime)
{
    Scene scene;
    prepare(scene);
    scene.z = 20.0f;
    scene.draw(); // nothing held: all six keys are polled, in this order
    EXPECT_EQ(keys.polls, (std::vector<uint8_t>{0x21, 0x22, 0x25, 0x27, 0x26, 0x28}));

    keys.down = {kKeyPageUp};
    for (int i = 0; i < 5; ++i)
        scene.draw();
    EXPECT_EQ(scene.z, 14.0f);
    keys.down.clear();
    scene.draw();
    keys.down = {kKeyPageUp};
    scene.draw();
    EXPECT_EQ(scene.z, 8.0f);

    // Page Up and Left together: Page Up acts and Left is not polled this frame.
    keys.down.clear();
    scene.draw();
    keys.down = {kKeyPageUp, kKeyLeft};
    keys.polls.clear();
    scene.draw();
    EXPECT_EQ(keys.polls, (std::vector<uint8_t>{kKeyPageUp}));
    EXPECT_EQ(scene.z, 2.0f);
    EXPECT_EQ(scene.x, 0.0f);
    scene.draw();
    EXPECT_EQ(scene.x, -2.0f);
    EXPECT_EQ(scene.z, 2.0f);

    const struct {
        uint8_t key;
        float dx, dy, dz;
    } moves[] = {{kKeyPageDown, 0, 0, 6}, {kKeyRight, 2, 0, 0}, {kKeyUp, 0, -2, 0}, {kKeyDown, 0, 2, 0}};
    for (const auto& move : moves) {
        keys.down.clear();
        scene.draw();
        const float x = scene.x, y = scene.y, z = scene.z;
        keys.down = {move.key};
        scene.draw();
        EXPECT_EQ(scene.x, x + move.dx);
        EXPECT_EQ(scene.y, y + move.dy);
        EXPECT_EQ(scene.z, z + move.dz);
    }
    // The moved position is what gets drawn.
    EXPECT_EQ(scene.rotation.m[3], scene.x);
    EXPECT_EQ(scene.rotation.m[11], scene.z);
}

TEST_F(SceneTest, PlatonicPicksTheSolidAndOtherValuesKeepIt)
{
    Scene scene, cubeOnly, tetraOnly;
    for (Scene* s : {&scene, &cubeOnly, &tetraOnly})
        prepare(*s);
    cubeOnly.platonic = 2;
    tetraOnly.platonic = 1;
    auto frameOf = [&](Scene& s, float time) {
        clear();
        s.time = time;
        s.z = 30.0f;
        s.draw();
        return pixels();
    };
    const uint8_t sequence[] = {0, 2, 0, 7, 2, 1, 0, 9};
    const bool showsCube[] = {false, true, true, true, true, false, false, false};
    for (int i = 0; i < 8; ++i) {
        const float time = 40.0f * float(i);
        scene.platonic = sequence[i];
        const std::vector<uint32_t> shown = frameOf(scene, time);
        EXPECT_EQ(shown, frameOf(showsCube[i] ? cubeOnly : tetraOnly, time)) << "frame " << i;
        EXPECT_NE(shown, frameOf(showsCube[i] ? tetraOnly : cubeOnly, time)) << "frame " << i;
    }
}

// Faces of equal depth come out of the sort in the order the face array had
// when the mesh was last loaded: reloading every frame carries the previous
// frame's drawing order forward, not loading keeps the older one.
TEST_F(SceneTest, EqualDepthsFollowTheOrderOfTheLastLoad)
{
    const Mesh built = buildMesh(Cube, 5.0f);
    auto builtIndex = [&](const MeshFace& f) {
        for (int i = 0; i < 12; ++i)
            if (built.faces[i].a == f.a && built.faces[i].b == f.b && built.faces[i].c == f.c)
                return i;
        return -1;
    };
    // Unrotated, the cube's faces fall into four groups of equal depth.
    const int group[12] = {0, 0, 1, 2, 1, 2, 2, 1, 2, 1, 3, 3};
    // The face order an unrotated frame must produce from a given loaded order.
    auto stableByGroup = [&](const std::vector<int>& loaded) {
        std::vector<int> out;
        for (int g = 0; g < 4; ++g)
            for (int i : loaded)
                if (group[i] == g)
                    out.push_back(i);
        return out;
    };
    auto order = [&](const Mesh& mesh) {
        std::vector<int> out;
        for (int i = 0; i < 12; ++i)
            out.push_back(builtIndex(mesh.faces[i]));
        return out;
    };
    const std::vector<int> builtOrder{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

    for (uint8_t secondPlatonic : {2, 0}) {
        Scene scene;
        prepare(scene);
        scene.z = 20.0f;
        scene.platonic = 2;
        scene.time = 57.0f;
        scene.draw();
        const std::vector<int> turned = order(scene.cube);
        ASSERT_NE(stableByGroup(turned), stableByGroup(builtOrder)) << "pick another time";

        scene.platonic = secondPlatonic;
        scene.time = 0.0f;
        scene.draw();
        // Reloaded: the face copy is the turned frame's order. Not reloaded:
        // it is still the order loaded before the turned frame.
        EXPECT_EQ(order(scene.cube), stableByGroup(secondPlatonic == 2 ? turned : builtOrder))
            << "platonic " << int(secondPlatonic);
    }
}

TEST_F(SceneTest, MissingOrSmallTargetsGetNothing)
{
    Scene scene;
    prepare(scene);
    scene.z = 20.0f;
    scene.pixelRef = nullptr;
    scene.draw();
    for (auto [w, h] : {std::pair{511, 384}, std::pair{512, 383}, std::pair{16, 16}}) {
        PixelBuffer small("small", uint16_t(w), uint16_t(h));
        scene.pixelRef = &small;
        scene.draw();
        EXPECT_TRUE(std::all_of(small.pixels, small.pixels + small.pixelCount, [](uint32_t p) { return p == 0; }))
            << w << "x" << h;
    }
}

// Meant for the AddressSanitizer build: any stray write or read is reported there.
TEST_F(SceneTest, AnyTimeAndPositionStaysInsideTheFrame)
{
    Scene scene;
    prepare(scene);
    std::mt19937 random(99);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    const float inf = std::numeric_limits<float>::infinity();
    const float specialDepths[] = {-0.0038910506f, 0.0f, -0.004f, -5.0f, -20.0f, 1e-30f, 1e30f,
                                   -1e30f, inf, -inf, std::nanf(""), 5.0f};
    const uint8_t allKeys[] = {kKeyPageUp, kKeyPageDown, kKeyLeft, kKeyRight, kKeyUp, kKeyDown};
    int drawn = 0;
    for (int i = 0; i < 4000; ++i) {
        scene.platonic = uint8_t(i % 5);
        scene.time = unit(random) * 200000.0f;
        const float reach = (i % 3 == 0) ? 5000.0f : 60.0f;
        scene.x = unit(random) * reach;
        scene.y = unit(random) * reach;
        scene.z = (i % 7 == 0) ? specialDepths[(i / 7) % 12] : 20.0f + unit(random) * 80.0f;
        keys.down.clear();
        if (random() % 4 == 0)
            keys.down.insert(allKeys[random() % 6]);
        scene.draw();
        drawn += frame.pixels[192 * 512 + 256] != 0;
    }
    EXPECT_GT(drawn, 0);
    for (int x = 0; x < 512; ++x)
        EXPECT_EQ(frame.pixels[383 * 512 + x], 0u) << x;
    for (int y = 0; y < 384; ++y)
        EXPECT_EQ(frame.pixels[y * 512 + 511], 0u) << y;
}

TEST_F(SceneTest, DrawAllocatesNothing)
{
    Scene scene;
    prepare(scene);
    scene.z = 25.0f;
    keys.down = {kKeyLeft};
    keys.polls.reserve(1000);
    startCountingAllocations();
    for (int i = 0; i < 40; ++i) {
        scene.platonic = uint8_t(i % 3 == 0 ? 2 : i % 3 == 1 ? 1 : 0);
        scene.time = float(i) * 37.0f;
        scene.draw();
    }
    EXPECT_EQ(stopCountingAllocations(), 0);
}
