// Every frame pays for each piece's triangles twice with shadows on: once drawn and once
// walked for its silhouette. The start position's total is what the frame rate targets on a
// software renderer were measured with; a mesh that grows past it shows up here first.
#include "tools/meshgen/geometry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

namespace {

TEST(MeshBudget, StartPositionStaysWithinTheMeasuredTriangleCount) {
    const std::map<std::string, int> pieces = {{"pawn", 16},  {"rook", 4},  {"knight", 4},
                                               {"bishop", 4}, {"queen", 2}, {"king", 2}};
    size_t total = 0;
    for (const auto& [shape, count] : pieces) {
        const size_t triangles = meshgen::buildShape(shape).indices.size() / 3;
        EXPECT_GT(triangles, 100u) << shape;
        EXPECT_LE(triangles, 1700u) << shape;
        total += triangles * size_t(count);
        std::printf("%-7s %5zu triangles x %2d\n", shape.c_str(), triangles, count);
    }
    std::printf("start position %zu triangles\n", total);
    EXPECT_LE(total, 33000u);
}

} // namespace
