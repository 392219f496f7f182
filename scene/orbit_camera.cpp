#include "orbit_camera.h"

#include <Ogre.h>

namespace korvane {

OrbitCamera::OrbitCamera(Ogre::Camera* camera)
    : camera_(camera), node_(camera->getParentSceneNode()) {
    if (!node_) {
        node_ = camera->getSceneManager()->getRootSceneNode()->createChildSceneNode();
        node_->attachObject(camera);
    }
    node_->setFixedYawAxis(true);
    place();
}

void OrbitCamera::place() {
    clampOrbit(orbit_);
    const OrbitPoint p = orbitPosition(orbit_);
    node_->setPosition(p.x, p.y, p.z);
    node_->lookAt(Ogre::Vector3(kBoardCentre.x, kBoardCentre.y, kBoardCentre.z),
                  Ogre::Node::TS_WORLD);
    if (listener_)
        listener_(camera_->getDerivedPosition(), camera_->getDerivedOrientation());
}

void OrbitCamera::flip() {
    flipped_ = !flipped_;
    flipOrbit(orbit_);
    place();
}

void OrbitCamera::reset(bool flipped) {
    flipped_ = flipped;
    orbit_ = homeOrbit(flipped);
    place();
}

void OrbitCamera::drag(float dx, float dy) {
    if (applyOrbitDrag(orbit_, dx, dy))
        place();
}

void OrbitCamera::zoom(float notches) {
    if (applyOrbitWheel(orbit_, notches))
        place();
}

bool OrbitCamera::update(const OrbitKeys& keys, float seconds) {
    if (!applyOrbitKeys(orbit_, keys, seconds))
        return false;
    place();
    return true;
}

} // namespace korvane
