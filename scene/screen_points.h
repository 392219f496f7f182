// Window pixels of board squares and piece entities, for the state probe and for tests that
// click through the X server.
#pragma once

#include <OgrePrerequisites.h>

namespace korvane {

class BoardScene;

struct WindowPoint {
    float x = 0, y = 0;
    bool inFront = false; // false: behind the camera, x and y mean nothing
};

WindowPoint worldToWindow(const Ogre::Camera* camera, const Ogre::Vector3& world,
                          unsigned windowWidth, unsigned windowHeight);

// Centre of square 0..63 on the board surface.
WindowPoint squareCentre(const Ogre::Camera* camera, int square, unsigned windowWidth,
                         unsigned windowHeight);

// Centre of the piece entity's world bounding box; not in front for an unknown piece.
WindowPoint pieceCentre(const BoardScene& scene, const Ogre::Camera* camera, int colour, int kind,
                        int index, unsigned windowWidth, unsigned windowHeight);

} // namespace korvane
