// The frame and the table as the mesh generator builds them, without the engine.
#include "tools/meshgen/board_shapes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using meshgen::TriMesh;
using meshgen::Vec3;

Vec3 sub(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

// Every triangle turns its front the way its normals point: culling shows the outside.
void expectFacingAlongNormals(const TriMesh& m, const char* shape) {
    ASSERT_FALSE(m.indices.empty()) << shape;
    for (size_t i = 0; i + 2 < m.indices.size(); i += 3) {
        const auto& a = m.vertices[m.indices[i]];
        const Vec3 e1 = sub(m.vertices[m.indices[i + 1]].pos, a.pos);
        const Vec3 e2 = sub(m.vertices[m.indices[i + 2]].pos, a.pos);
        const Vec3 n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z,
                     e1.x * e2.y - e1.y * e2.x};
        EXPECT_GT(n.x * a.normal.x + n.y * a.normal.y + n.z * a.normal.z, 0.0f)
            << shape << " triangle " << i / 3;
    }
}

TEST(BoardShapes, FrameRingsTheSquaresFromTheTableUpAndEveryFaceLooksOut) {
    const TriMesh frame = meshgen::buildBoardShape("frame");
    expectFacingAlongNormals(frame, "frame");
    float lo = 1e9f, hi = -1e9f, bottom = 1e9f, top = -1e9f;
    for (const auto& v : frame.vertices) {
        lo = std::min({lo, v.pos.x, v.pos.z});
        hi = std::max({hi, v.pos.x, v.pos.z});
        bottom = std::min(bottom, v.pos.y);
        top = std::max(top, v.pos.y);
        // Nothing of it lies over the squares.
        const bool overSquares =
            v.pos.x > 1e-4f && v.pos.x < 8 - 1e-4f && v.pos.z > 1e-4f && v.pos.z < 8 - 1e-4f;
        EXPECT_FALSE(overSquares) << v.pos.x << " " << v.pos.z;
        // The top's texture is the painted frame seen from above: the labels land where
        // the painter put them.
        if (std::fabs(v.pos.y - meshgen::kFrameTop) < 1e-6f && v.normal.y > 0.99f) {
            const float span = 8 + 2 * meshgen::kFrameUvMargin;
            EXPECT_NEAR(v.u, (v.pos.z + meshgen::kFrameUvMargin) / span, 1e-5f);
            EXPECT_NEAR(v.v, (8 + meshgen::kFrameUvMargin - v.pos.x) / span, 1e-5f);
        }
    }
    EXPECT_NEAR(lo, -meshgen::kFrameWidth, 1e-5f);
    EXPECT_NEAR(hi, 8 + meshgen::kFrameWidth, 1e-5f);
    EXPECT_NEAR(bottom, meshgen::kTableY, 1e-5f);
    EXPECT_NEAR(top, meshgen::kFrameTop, 1e-5f);
}

TEST(BoardShapes, TableAndGlowLieFlatFacingUp) {
    for (const char* shape : {"table", "glow"}) {
        const TriMesh m = meshgen::buildBoardShape(shape);
        expectFacingAlongNormals(m, shape);
        for (const auto& v : m.vertices)
            EXPECT_EQ(v.normal.y, 1.0f) << shape;
    }
    for (const auto& v : meshgen::buildBoardShape("table").vertices)
        EXPECT_EQ(v.pos.y, meshgen::kTableY);
    EXPECT_TRUE(meshgen::buildBoardShape("none").indices.empty());
}

} // namespace
