#include "board_shapes.h"

#include <cmath>

namespace meshgen {
namespace {

// One point of the frame's cross-section: how far outside the squares, and how high.
struct Section {
    float out, y;
};

// Inner lip, flat top with the labels, a bevel rounded in two steps, then the side down to
// the table. Every segment gets its own flat normal: the edges stay crisp.
const Section kSection[] = {{0.0f, -0.01f},        {0.0f, kFrameTop}, {0.50f, kFrameTop},
                            {0.565f, 0.015f},      {0.605f, -0.025f}, {kFrameWidth, -0.075f},
                            {kFrameWidth, kTableY}};

// Texture coordinates of a point on the frame's top: the painted frame seen from above.
void topUv(float x, float z, float& u, float& v) {
    const float span = 8 + 2 * kFrameUvMargin;
    u = (z + kFrameUvMargin) / span;
    v = (8 + kFrameUvMargin - x) / span;
}

// Corner k of the square ring `out` outside the squares, counter-clockwise from above.
Vec3 corner(int k, float out, float y) {
    const float lo = -out, hi = 8 + out;
    const float xs[4] = {lo, lo, hi, hi};
    const float zs[4] = {lo, hi, hi, lo};
    return {xs[k % 4], y, zs[k % 4]};
}

void addQuad(TriMesh& m, const Vertex (&q)[4]) {
    const unsigned base = unsigned(m.vertices.size());
    for (const Vertex& v : q)
        m.vertices.push_back(v);
    // Wind the quad so that it faces along its normal.
    if (dot(cross(q[1].pos - q[0].pos, q[2].pos - q[0].pos), q[0].normal) > 0)
        m.indices.insert(m.indices.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
    else
        m.indices.insert(m.indices.end(), {base, base + 2, base + 1, base, base + 3, base + 2});
}

TriMesh frame() {
    // Each rail is cut along its length too: the light is worked out at the vertices.
    constexpr int kPieces = 8;
    TriMesh m;
    const int n = int(sizeof kSection / sizeof kSection[0]);
    for (int side = 0; side < 4; ++side) {
        // Outward direction of this rail in X and Z.
        const Vec3 a0 = corner(side, 1, 0), b0 = corner(side + 1, 1, 0);
        const Vec3 a1 = corner(side, 0, 0), b1 = corner(side + 1, 0, 0);
        const float ox = (a0.x + b0.x - a1.x - b1.x) / 2, oz = (a0.z + b0.z - a1.z - b1.z) / 2;
        for (int i = 0; i + 1 < n; ++i) {
            const Section s0 = kSection[i], s1 = kSection[i + 1];
            const float dOut = s1.out - s0.out, dy = s1.y - s0.y;
            const float len = std::sqrt(dOut * dOut + dy * dy);
            const Vec3 normal{-dy / len * ox, dOut / len, -dy / len * oz};
            const bool wall = s0.out == kFrameWidth && s1.out == kFrameWidth;
            // Along the rail from corner to corner; the ends follow the mitres.
            auto at = [&](const Section& sec, float t) {
                const Vec3 a = corner(side, sec.out, sec.y), b = corner(side + 1, sec.out, sec.y);
                Vertex v{{a.x + (b.x - a.x) * t, sec.y, a.z + (b.z - a.z) * t}, normal, 0, 0};
                float inward = 0;
                if (wall) {
                    // The side shows the rail's outer band, its depth squeezed into it.
                    const float top = kSection[n - 2].y;
                    inward = 0.1f * (top - sec.y) / (top - kTableY);
                }
                topUv(v.pos.x - ox * inward, v.pos.z - oz * inward, v.u, v.v);
                return v;
            };
            for (int k = 0; k < kPieces; ++k) {
                const float t0 = float(k) / kPieces, t1 = float(k + 1) / kPieces;
                const Vertex q[4] = {at(s0, t0), at(s0, t1), at(s1, t1), at(s1, t0)};
                addQuad(m, q);
            }
        }
    }
    return m;
}

// The table: a band round the board, in cells small enough for the light worked out at the
// vertices; the material fades it into the room before its edge, which never shows.
TriMesh table() {
    constexpr float kRepeat = 3.0f;
    // Lines at 0 and 8 leave the hole under the squares; the outer lines reach past where
    // the material has faded the table out.
    const std::vector<float> at = {-2.8f, -1.4f, 0, 2, 4, 6, 8, 9.4f, 10.8f};
    const unsigned count = unsigned(at.size());
    TriMesh m;
    for (float x : at)
        for (float z : at)
            m.vertices.push_back({{x, kTableY, z}, {0, 1, 0}, z / kRepeat, x / kRepeat});
    // No cells under the squares: the board hides them, and a software renderer would still
    // fill them.
    auto underBoard = [&](unsigned i, unsigned j) {
        return at[i] >= 0 && at[i + 1] <= 8 && at[j] >= 0 && at[j + 1] <= 8;
    };
    for (unsigned i = 0; i + 1 < count; ++i)
        for (unsigned j = 0; j + 1 < count; ++j) {
            if (underBoard(i, j))
                continue;
            const unsigned a = i * count + j, b = a + 1, c = a + count, d = c + 1;
            // Counter-clockwise from above: +Z then +X.
            m.indices.insert(m.indices.end(), {a, b, d, a, d, c});
        }
    return m;
}

// A flat square a little larger than a board square, centred on its origin, facing up.
TriMesh glow() {
    constexpr float kHalf = 0.75f;
    TriMesh m;
    Vertex q[4];
    const float xs[4] = {-kHalf, -kHalf, kHalf, kHalf};
    const float zs[4] = {-kHalf, kHalf, kHalf, -kHalf};
    for (int k = 0; k < 4; ++k)
        q[k] = {{xs[k], 0, zs[k]}, {0, 1, 0}, k == 1 || k == 2 ? 1.0f : 0.0f, k >= 2 ? 1.0f : 0.0f};
    addQuad(m, q);
    return m;
}

} // namespace

const std::vector<std::string>& boardShapeNames() {
    static const std::vector<std::string> names = {"frame", "table", "glow"};
    return names;
}

TriMesh buildBoardShape(const std::string& name) {
    if (name == "frame")
        return frame();
    if (name == "table")
        return table();
    if (name == "glow")
        return glow();
    return TriMesh();
}

const char* boardShapeMaterial(const std::string& name) {
    if (name == "frame")
        return "Board/Frame";
    if (name == "table")
        return "Board/Table";
    return "Marker/Check";
}

} // namespace meshgen
