// The game camera on its scene node, orbiting the board centre.
#pragma once

#include "orbit.h"

#include <functional>

#include <OgrePrerequisites.h>

namespace korvane {

class OrbitCamera {
  public:
    // Uses the camera's parent node, or attaches it to a new child of the root. Places the
    // camera at once.
    explicit OrbitCamera(Ogre::Camera* camera);

    OrbitState& orbit() { return orbit_; }
    const OrbitState& orbit() const { return orbit_; }
    Ogre::SceneNode* node() const { return node_; }

    // Clamps the orbit, moves the node there looking at the board centre, then calls the
    // listener hook with the camera's world position and orientation.
    void place();
    // Half a turn around the board: the view goes over to the other side.
    void flip();
    // Whose side the view is on: Black's when flipped.
    bool flipped() const { return flipped_; }
    // The view over to the side named, half a turn when it is on the other one.
    void showSide(bool flipped) {
        if (flipped != flipped_)
            flip();
    }
    // The held keys for `seconds`; places the camera when any key was held.
    bool update(const OrbitKeys& keys, float seconds);
    // The orbit a game starts with, on Black's side when flipped.
    void reset(bool flipped);
    // The same on the side the view is on now.
    void reset() { reset(flipped_); }
    // A mouse drag in window pixels, and wheel notches; each places the camera.
    void drag(float dx, float dy);
    void zoom(float notches);

    // Where the sound listener connects; it decides itself whether sounds are on.
    using ListenerHook =
        std::function<void(const Ogre::Vector3& position, const Ogre::Quaternion& orientation)>;
    void setListenerHook(ListenerHook hook) { listener_ = std::move(hook); }

  private:
    bool flipped_ = false;
    Ogre::Camera* camera_;
    Ogre::SceneNode* node_;
    OrbitState orbit_;
    ListenerHook listener_;
};

} // namespace korvane
