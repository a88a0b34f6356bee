#include "scene/Scene.h"

#include <bit>

#include "scene/Keyboard.h"

Scene::Scene()
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag", "draws only when not 0");
    addVariable(&x, "x", "the solid's position to the right");
    addVariable(&y, "y", "the solid's position downwards");
    addVariable(&z, "z", "the solid's distance from the camera");
    addVariable(&time, "time", "rotation: each axis turns by its own rate times this");
    addVariable(&platonic, "platonic", "1 tetrahedron, 2 cube, anything else keeps the last");
    addVariable(&pixelRef, "pixelRef", "the buffer it draws over (at least 512 x 384)");
    tetrahedron = buildMesh(Tetrahedron, 5.0f);
    cube = buildMesh(Cube, 5.0f);
    // The cube first sizes the renderer's face arrays for both solids, so
    // switching between them in draw never allocates.
    load(cube);
    load(tetrahedron);
}

void Scene::load(Mesh& mesh)
{
    renderer.loadMesh(mesh.vertices.get(), mesh.vertexCount, mesh.faces.get(), mesh.faceCount);
}

void Scene::captureOwn(StateBytes& out) const
{
    const bool cubeLoaded = renderer.loadedFaces() == cube.faces.get();
    saveBytes(out, &cubeLoaded, sizeof cubeLoaded);
    saveBytes(out, tetrahedron.faces.get(), tetrahedron.faceCount * sizeof(MeshFace));
    saveBytes(out, cube.faces.get(), cube.faceCount * sizeof(MeshFace));
    saveBytes(out, &translation, sizeof translation);
    saveBytes(out, &rotation, sizeof rotation);
    renderer.captureState(out);
}

void Scene::restoreOwn(std::span<const uint8_t>& in)
{
    bool cubeLoaded = false;
    loadBytes(in, &cubeLoaded, sizeof cubeLoaded);
    load(cubeLoaded ? cube : tetrahedron);
    loadBytes(in, tetrahedron.faces.get(), tetrahedron.faceCount * sizeof(MeshFace));
    loadBytes(in, cube.faces.get(), cube.faceCount * sizeof(MeshFace));
    loadBytes(in, &translation, sizeof translation);
    loadBytes(in, &rotation, sizeof rotation);
    renderer.restoreState(in);
}

void Scene::draw()
{
    drawInOneBand();
}

DrawPlan Scene::beginDraw(Workers&)
{
    if (flag == 0)
        return {DrawPlan::Nothing};
    if (platonic == 1)
        load(tetrahedron);
    else if (platonic == 2)
        load(cube);

    // One ulp below the nearest floats to 0.0225 and 0.0285, on purpose.
    const float ax = time * std::bit_cast<float>(0x3CB851EBu);
    const float ay = time * std::bit_cast<float>(0x3CE978D4u);
    const float az = time * std::bit_cast<float>(0x3CD0E560u);

    // The first key that reports a press acts; the rest wait for the next frame.
    if (keyPressed(kKeyPageUp))
        z -= 6.0f;
    else if (keyPressed(kKeyPageDown))
        z += 6.0f;
    else if (keyPressed(kKeyLeft))
        x -= 2.0f;
    else if (keyPressed(kKeyRight))
        x += 2.0f;
    else if (keyPressed(kKeyUp))
        y -= 2.0f;
    else if (keyPressed(kKeyDown))
        y += 2.0f;

    rotation.setRotation(ax, ay, az);
    translation.setTranslation(x, y, z);
    rotation.preMultiply(translation);
    renderer.modelView = rotation;

    const PixelBuffer* target = pixelRef;
    if (!target || !target->pixels || target->width < SceneRenderer::kWidth || target->height < SceneRenderer::kHeight)
        return {DrawPlan::Nothing};
    renderer.prepare();
    return {DrawPlan::Rows};
}

void Scene::drawRows(uint32_t first, uint32_t end)
{
    renderer.fillRows(pixelRef->pixels, first, end);
}
