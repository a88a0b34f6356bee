#include "scene/Scene.h"

#include <bit>

#include "scene/Keyboard.h"

Scene::Scene()
{
    setClassName(typeid(*this));
    addVariable(&flag, "flag");
    addVariable(&x, "x");
    addVariable(&y, "y");
    addVariable(&z, "z");
    addVariable(&time, "time");
    addVariable(&platonic, "platonic");
    addVariable(&pixelRef, "pixelRef");
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

void Scene::draw()
{
    if (flag == 0)
        return;
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
        return;
    renderer.render(target->pixels);
}
