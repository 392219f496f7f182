// The orbit of the game camera around the board centre, as plain numbers: the clamps, the
// yaw wrap and the position they give. The engine side is in orbit_camera.h.
#pragma once

namespace korvane {

constexpr float kPi = 3.14159265358979323846f;
constexpr float kTwoPi = 2.0f * kPi;
constexpr float degrees(float d) {
    return d * kPi / 180.0f;
}

constexpr float kMinElevation = degrees(5.0f);
constexpr float kMaxElevation = degrees(80.0f);
constexpr float kMinDistance = 8.0f;
constexpr float kMaxDistance = 20.0f;
// Radians and units per second of a held key.
constexpr float kOrbitTurnSpeed = 1.5f;
constexpr float kOrbitZoomSpeed = 5.0f;
// Radians per window pixel of a mouse drag (a drag across a 1024-pixel window turns the
// camera more than once round), and units of distance per notch of the wheel (twelve notches
// from the nearest to the farthest view).
constexpr float kOrbitDragTurn = 0.008f;
constexpr float kOrbitWheelZoom = 1.0f;

struct OrbitState {
    float yaw = degrees(270.1f); // around the board centre; 270 degrees is behind White
    float elevation = degrees(50.0f);
    float distance = 11.0f;
};

struct OrbitPoint {
    float x = 0, y = 0, z = 0;
};

// The board centre the camera looks at.
constexpr OrbitPoint kBoardCentre{4.0f, 0.0f, 4.0f};

// Keeps distance in [8, 20], elevation in [5, 80] degrees and yaw in [0, 2 pi); a yaw that
// is not a finite number falls back to the initial value.
void clampOrbit(OrbitState& orbit);

// Camera position of a clamped orbit.
OrbitPoint orbitPosition(const OrbitState& orbit);

// The held orbit keys of one frame.
struct OrbitKeys {
    bool up = false, down = false, left = false, right = false;
    bool zoomIn = false, zoomOut = false; // keypad plus and minus
    bool any() const { return up || down || left || right || zoomIn || zoomOut; }
};

// Applies the keys for `seconds` of frame time and clamps; true when any key was held.
bool applyOrbitKeys(OrbitState& orbit, const OrbitKeys& keys, float seconds);

// Half a turn around the board, clamped.
void flipOrbit(OrbitState& orbit);

// The orbit a game starts with: behind White, or behind Black when the view is flipped.
OrbitState homeOrbit(bool flipped);

// A mouse drag of (dx, dy) window pixels, clamped: to the right turns as the right arrow
// does, upwards raises the camera as the up arrow does. True when anything changed.
bool applyOrbitDrag(OrbitState& orbit, float dx, float dy);
// Wheel notches, clamped: away from the player (positive) come closer, as keypad plus does.
bool applyOrbitWheel(OrbitState& orbit, float notches);

} // namespace korvane
