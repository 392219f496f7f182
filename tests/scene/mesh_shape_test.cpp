#include "scene/mesh_sum.h"
#include "tools/meshgen/geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

using namespace meshgen;

namespace {

using Key = std::tuple<long, long, long>;
Key keyOf(const Vec3& p) {
    return {std::lround(p.x * 1e4), std::lround(p.y * 1e4), std::lround(p.z * 1e4)};
}

} // namespace

// Stencil shadows need closed meshes: every edge, taken by position, is used exactly once in
// each direction.
TEST(Meshes, PiecesAndArrowAreClosedAndOutwardFacing) {
    for (const std::string& name : shapeNames()) {
        if (name == "plane")
            continue;
        const TriMesh m = buildShape(name);
        ASSERT_FALSE(m.indices.empty()) << name;
        std::map<std::pair<Key, Key>, int> edges;
        double volume = 0;
        for (size_t t = 0; t + 2 < m.indices.size(); t += 3) {
            const Vec3 a = m.vertices[m.indices[t]].pos, b = m.vertices[m.indices[t + 1]].pos,
                       c = m.vertices[m.indices[t + 2]].pos;
            const Key k[3] = {keyOf(a), keyOf(b), keyOf(c)};
            for (int e = 0; e < 3; ++e)
                ++edges[{k[e], k[(e + 1) % 3]}];
            volume += (a.x * (b.y * c.z - b.z * c.y) - a.y * (b.x * c.z - b.z * c.x) +
                       a.z * (b.x * c.y - b.y * c.x)) /
                      6.0;
        }
        int open = 0;
        for (const auto& [edge, count] : edges) {
            auto back = edges.find({edge.second, edge.first});
            if (back == edges.end() || back->second != count)
                ++open;
        }
        EXPECT_EQ(open, 0) << name;
        // Counter-clockwise winding seen from outside gives a positive volume.
        EXPECT_GT(volume, 0.0) << name;
    }
}

// A piece's shadow comes from its caster: a convex solid (no vertex in front of any face) that
// holds every point of the piece, so the shadow is never smaller than the piece's own.
TEST(Meshes, EachPieceCasterIsConvexAndHoldsThePiece) {
    for (const char* name : {"pawn", "rook", "knight", "bishop", "queen", "king"}) {
        const TriMesh piece = buildShape(name);
        const TriMesh hull = buildShape(std::string(name) + "_caster");
        ASSERT_GE(hull.indices.size(), 12u) << name;
        EXPECT_LT(hull.indices.size(), piece.indices.size() / 2) << name;
        float worst = 0;
        for (size_t t = 0; t + 2 < hull.indices.size(); t += 3) {
            const Vec3 a = hull.vertices[hull.indices[t]].pos;
            const Vec3 n = cross(hull.vertices[hull.indices[t + 1]].pos - a,
                                 hull.vertices[hull.indices[t + 2]].pos - a);
            const float len = std::sqrt(dot(n, n));
            for (const TriMesh* m : {&hull, &piece})
                for (const Vertex& v : m->vertices)
                    worst = std::max(worst, dot(n, v.pos - a) / len);
        }
        EXPECT_LT(worst, 1e-3f) << name;
    }
}

TEST(Meshes, PiecesStandOnTheirOriginFitTheirSquareAndGrowWithRank) {
    std::map<std::string, float> height;
    for (const char* name : {"pawn", "rook", "knight", "bishop", "queen", "king"}) {
        const TriMesh m = buildShape(name);
        float minY = 1e9f, maxY = -1e9f, maxR = 0;
        for (const Vertex& v : m.vertices) {
            minY = std::min(minY, v.pos.y);
            maxY = std::max(maxY, v.pos.y);
            maxR = std::max(maxR, std::hypot(v.pos.x, v.pos.z));
            EXPECT_NEAR(std::hypot(v.normal.x, v.normal.y, v.normal.z), 1.0f, 1e-3f) << name;
        }
        EXPECT_NEAR(minY, 0.0f, 1e-5f) << name;
        EXPECT_LT(maxR, 0.45f) << name;
        EXPECT_LT(maxY, 1.35f) << name; // below the arrow's tip
        height[name] = maxY;
    }
    // A tournament set's order, each a clear step above the last.
    EXPECT_LT(height["pawn"] + 0.05f, height["rook"]);
    EXPECT_LT(height["rook"] + 0.05f, height["knight"]);
    EXPECT_LT(height["knight"] + 0.05f, height["bishop"]);
    EXPECT_LT(height["bishop"] + 0.05f, height["queen"]);
    EXPECT_LT(height["queen"] + 0.05f, height["king"]);
    EXPECT_TRUE(buildShape("nothing").indices.empty());
}

// The horse looks towards +X with its mane behind, and is shaded smooth: hardly any of its
// corners carries a second normal, as every corner of a faceted slab does.
TEST(Meshes, KnightFacesPlusXWithSmoothNormals) {
    const TriMesh m = buildShape("knight");
    Vec3 muzzle{-1, 0, 0}, crest{1, 0, 0};
    std::map<Key, std::vector<Vec3>> normals;
    for (const Vertex& v : m.vertices) {
        if (v.pos.y > 0.45f && v.pos.x > muzzle.x)
            muzzle = v.pos;
        if (v.pos.y > 0.45f && v.pos.x < crest.x)
            crest = v.pos;
        auto& at = normals[keyOf(v.pos)];
        if (std::none_of(at.begin(), at.end(), [&](const Vec3& n) {
                return n.x * v.normal.x + n.y * v.normal.y + n.z * v.normal.z > 0.999f;
            }))
            at.push_back(v.normal);
    }
    EXPECT_GT(muzzle.x, 0.25f);
    EXPECT_LT(muzzle.y, 0.65f); // the head bows down to the muzzle
    EXPECT_LT(crest.x, -0.15f);
    const auto creased = std::count_if(normals.begin(), normals.end(),
                                       [](const auto& at) { return at.second.size() > 1; });
    EXPECT_LT(double(creased), 0.1 * double(normals.size()));
}

// The slit is cut into the mitre on White's side (-X) only: there the surface comes much
// closer to the axis than the mitre's round at that height, on the other side nowhere.
TEST(Meshes, BishopMitreIsSlitOnWhitesSide) {
    const TriMesh m = buildShape("bishop");
    std::map<long, float> round; // widest radius per height
    for (const Vertex& v : m.vertices) {
        float& r = round[std::lround(v.pos.y * 100)];
        r = std::max(r, std::hypot(v.pos.x, v.pos.z));
    }
    float whiteSide = 1, blackSide = 1;
    for (const Vertex& v : m.vertices)
        if (v.pos.y > 0.66f && v.pos.y < 0.8f && std::fabs(v.pos.z) < 0.05f) {
            const float share = std::hypot(v.pos.x, v.pos.z) / round[std::lround(v.pos.y * 100)];
            float& side = v.pos.x < 0 ? whiteSide : blackSide;
            side = std::min(side, share);
        }
    EXPECT_LT(whiteSide, 0.6f);
    EXPECT_GT(blackSide, 0.9f);
}

TEST(Meshes, TileIsAUnitSquareFacingUpFromTheOrigin) {
    const TriMesh m = buildShape("plane");
    float maxX = 0, maxZ = 0;
    for (const Vertex& v : m.vertices) {
        EXPECT_FLOAT_EQ(v.pos.y, 0);
        EXPECT_GE(v.pos.x, 0);
        EXPECT_GE(v.pos.z, 0);
        maxX = std::max(maxX, v.pos.x);
        maxZ = std::max(maxZ, v.pos.z);
    }
    EXPECT_FLOAT_EQ(maxX, 1);
    EXPECT_FLOAT_EQ(maxZ, 1);
    const Vec3 a = m.vertices[m.indices[0]].pos, b = m.vertices[m.indices[1]].pos,
               c = m.vertices[m.indices[2]].pos;
    // Counter-clockwise seen from above.
    EXPECT_GT((b.z - a.z) * (c.x - a.x) - (b.x - a.x) * (c.z - a.z), 0);
}

TEST(Meshes, TriangulationCoversConcaveOutlines) {
    const std::vector<Vec3> l = {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}};
    const std::vector<unsigned> tris = triangulate(l);
    ASSERT_EQ(tris.size(), 12u);
    float area = 0;
    for (size_t t = 0; t < tris.size(); t += 3) {
        const Vec3 a = l[tris[t]], b = l[tris[t + 1]], c = l[tris[t + 2]];
        const float cr = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        EXPECT_GT(cr, 0);
        area += cr / 2;
    }
    EXPECT_FLOAT_EQ(area, 3.0f);
    // Clockwise input is not a valid outline.
    EXPECT_TRUE(triangulate({{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}}).empty());
}

// The game refuses media the engine would crash on; each kind of damage names the file.
TEST(MeshSums, DamagedMissingAndUnlistedMeshesAreTold) {
    std::map<std::string, std::string> files{{"king.mesh", std::string(300, 'k')},
                                             {"pawn.mesh", "pawn bytes"}};
    std::string list;
    for (const auto& [name, bytes] : files)
        list += korvane::formatMeshSum({name, bytes.size(), korvane::contentHash(bytes)});
    std::vector<korvane::MeshSum> sums;
    ASSERT_TRUE(korvane::parseMeshSums(list, sums));
    ASSERT_EQ(sums.size(), 2u);
    auto read = [&](const std::string& name, std::string& bytes) {
        auto it = files.find(name);
        if (it == files.end())
            return false;
        bytes = it->second;
        return true;
    };
    EXPECT_EQ(korvane::meshDamage(sums, read), "");
    files["king.mesh"][150] = 'x'; // same size, other bytes
    EXPECT_NE(korvane::meshDamage(sums, read).find("'king.mesh' is damaged"), std::string::npos);
    files["king.mesh"] = std::string(299, 'k');
    EXPECT_NE(korvane::meshDamage(sums, read).find("'king.mesh' is damaged"), std::string::npos);
    files.erase("king.mesh");
    EXPECT_NE(korvane::meshDamage(sums, read).find("'king.mesh' is missing"), std::string::npos);
    for (const char* bad : {"", "king.mesh 12\n", "king.mesh twelve ab\n", "a 1 2 3\n"})
        EXPECT_FALSE(korvane::parseMeshSums(bad, sums)) << bad;
}
