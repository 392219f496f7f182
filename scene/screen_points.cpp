#include "screen_points.h"

#include "board_scene.h"

#include <Ogre.h>

namespace korvane {

WindowPoint worldToWindow(const Ogre::Camera* camera, const Ogre::Vector3& world,
                          unsigned windowWidth, unsigned windowHeight) {
    WindowPoint out;
    const Ogre::Vector4 clip =
        camera->getProjectionMatrix() * (camera->getViewMatrix() * Ogre::Vector4(world));
    if (clip.w <= 1e-6f)
        return out;
    const float nx = clip.x / clip.w, ny = clip.y / clip.w;
    out.x = (nx * 0.5f + 0.5f) * float(windowWidth);
    out.y = (0.5f - ny * 0.5f) * float(windowHeight);
    out.inFront = true;
    return out;
}

WindowPoint squareCentre(const Ogre::Camera* camera, int square, unsigned windowWidth,
                         unsigned windowHeight) {
    if (square < 0 || square > 63)
        return WindowPoint();
    const Ogre::Vector3 centre(Ogre::Real(square / 8) + 0.5f, 0, Ogre::Real(square % 8) + 0.5f);
    return worldToWindow(camera, centre, windowWidth, windowHeight);
}

WindowPoint pieceCentre(const BoardScene& scene, const Ogre::Camera* camera, int colour, int kind,
                        int index, unsigned windowWidth, unsigned windowHeight) {
    Ogre::Entity* e = scene.pieceEntity(colour, kind, index);
    if (!e)
        return WindowPoint();
    const Ogre::AxisAlignedBox& box = e->getWorldBoundingBox(true);
    return worldToWindow(camera, box.getCenter(), windowWidth, windowHeight);
}

} // namespace korvane
