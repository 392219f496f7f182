#include "orbit.h"

#include <algorithm>
#include <cmath>

namespace korvane {

void clampOrbit(OrbitState& orbit) {
    const OrbitState initial;
    if (!std::isfinite(orbit.distance))
        orbit.distance = initial.distance;
    if (!std::isfinite(orbit.elevation))
        orbit.elevation = initial.elevation;
    if (!std::isfinite(orbit.yaw))
        orbit.yaw = initial.yaw;
    orbit.distance = std::clamp(orbit.distance, kMinDistance, kMaxDistance);
    // A single add or subtract would leave a long frame's yaw out of range.
    orbit.yaw = std::fmod(orbit.yaw, kTwoPi);
    if (orbit.yaw < 0)
        orbit.yaw += kTwoPi;
    if (orbit.yaw >= kTwoPi)
        orbit.yaw = 0;
    orbit.elevation = std::clamp(orbit.elevation, kMinElevation, kMaxElevation);
}

OrbitPoint orbitPosition(const OrbitState& orbit) {
    const float h = orbit.distance * std::sin(orbit.elevation);
    const float r = std::sqrt(std::max(0.0f, orbit.distance * orbit.distance - h * h));
    return {kBoardCentre.x + r * std::sin(orbit.yaw), h, kBoardCentre.z - r * std::cos(orbit.yaw)};
}

bool applyOrbitKeys(OrbitState& orbit, const OrbitKeys& keys, float seconds) {
    if (!keys.any())
        return false;
    if (keys.up)
        orbit.elevation += kOrbitTurnSpeed * seconds;
    if (keys.down)
        orbit.elevation -= kOrbitTurnSpeed * seconds;
    if (keys.right)
        orbit.yaw -= kOrbitTurnSpeed * seconds;
    if (keys.left)
        orbit.yaw += kOrbitTurnSpeed * seconds;
    if (keys.zoomIn)
        orbit.distance -= kOrbitZoomSpeed * seconds;
    if (keys.zoomOut)
        orbit.distance += kOrbitZoomSpeed * seconds;
    clampOrbit(orbit);
    return true;
}

void flipOrbit(OrbitState& orbit) {
    orbit.yaw += kPi;
    clampOrbit(orbit);
}

OrbitState homeOrbit(bool flipped) {
    OrbitState orbit;
    if (flipped)
        flipOrbit(orbit);
    return orbit;
}

bool applyOrbitDrag(OrbitState& orbit, float dx, float dy) {
    if (dx == 0 && dy == 0)
        return false;
    orbit.yaw -= kOrbitDragTurn * dx;
    // Window rows grow downwards.
    orbit.elevation -= kOrbitDragTurn * dy;
    clampOrbit(orbit);
    return true;
}

bool applyOrbitWheel(OrbitState& orbit, float notches) {
    if (notches == 0)
        return false;
    orbit.distance -= kOrbitWheelZoom * notches;
    clampOrbit(orbit);
    return true;
}

} // namespace korvane
