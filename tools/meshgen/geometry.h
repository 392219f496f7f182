// Plain triangle meshes for the board, the pieces and the marker, built without the engine so
// the shapes can be checked by tests. Y is up; a piece stands on its local origin and faces +X.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace meshgen {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

// The vector arithmetic every shape builder needs.
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

struct Vertex {
    Vec3 pos;
    Vec3 normal;
    float u = 0, v = 0;
};

struct TriMesh {
    std::vector<Vertex> vertices;
    std::vector<unsigned> indices; // counter-clockwise seen from outside

    void append(const TriMesh& other);
};

// One point of a lathe profile: radius from the vertical axis and height. The profile runs from
// the bottom of the axis to the top; a point given twice in a row makes a hard edge there.
struct ProfilePoint {
    float r = 0, y = 0;
};

// Lets a shape bend a lathed surface by angle, e.g. crenellations or a crown's points. Gets
// the profile row, the angle and the point, and may change radius and height.
using LatheModifier = std::function<void(int row, float angle, float& r, float& y)>;

TriMesh lathe(const std::vector<ProfilePoint>& profile, int segments,
              const LatheModifier& modifier = nullptr);

// A flat outline in the XY plane (counter-clockwise, no self-crossings) made solid: the sides
// run between z = -halfWidth and +halfWidth, and each face is raised by `bevel` on an outline
// shrunk by `inset`, which rounds the edges. halfWidth may depend on the outline point.
TriMesh extrude(const std::vector<Vec3>& outline,
                const std::function<float(const Vec3&)>& halfWidth, float inset, float bevel);

// Axis-aligned box between the corners.
TriMesh box(Vec3 lo, Vec3 hi);

// The unit tile with its corner at the origin, facing up.
TriMesh tile();

// Triangles of a simple counter-clockwise polygon (indices into it); empty when it cannot be
// triangulated.
std::vector<unsigned> triangulate(const std::vector<Vec3>& polygon);

// The smallest convex solid holding the mesh. A piece's hull casts its shadow: one silhouette
// ring instead of the several a lathed or carved shape turns to the light, which is what the
// stencil volumes' fill cost grows with. Empty for a flat or degenerate mesh.
TriMesh convexHull(const TriMesh& mesh);

// The shapes, by mesh name without extension: plane, pawn, rook, knight, bishop, queen, king,
// arrow, and each piece's hull "<piece>_caster". An unknown name gives an empty mesh.
TriMesh buildShape(const std::string& name);
const std::vector<std::string>& shapeNames();
// The shapes the scene lets cast a shadow: the pieces' hulls and the arrow.
bool castsShadow(const std::string& name);

} // namespace meshgen
