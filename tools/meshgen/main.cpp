// Writes the game's meshes as Ogre binary meshes: korvane_meshgen <output folder>.
// Runs without a render system, so the build can make the media on a headless machine.
#include "board_shapes.h"
#include "geometry.h"
#include "scene/mesh_sum.h"

#include <Ogre.h>
#include <OgreDefaultHardwareBufferManager.h>
#include <OgreLodConfig.h>
#include <OgreLodStrategyManager.h>
#include <OgreMeshLodGenerator.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>

namespace {

// The material each mesh names; the scene replaces it on every entity anyway.
const char* defaultMaterial(const std::string& shape) {
    for (const std::string& board : meshgen::boardShapeNames())
        if (shape == board)
            return meshgen::boardShapeMaterial(shape);
    if (shape == "plane")
        return "Desk/White";
    if (shape == "arrow")
        return "Marker/Arrow";
    return "Fig/White";
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool isPiece(const std::string& shape) {
    for (const char* piece : {"pawn", "rook", "knight", "bishop", "queen", "king"})
        if (shape == piece)
            return true;
    return false;
}

// Pieces small on screen get fewer triangles. On the software renderer the pieces cost a frame
// mostly per triangle, and their finest triangles are a few pixels wide at 800x600. The levels
// go by the pixels a piece's bounding sphere covers, scaled by the piece's own size, so every
// kind changes level at the same distance and a larger window keeps more detail. In the opening
// view, up to 1024x768 every piece keeps a little over half its triangles, and at 800x600 the
// far half a third (2 ms of a 13 ms frame at 800x600, `korvane-frame-bench --parts`); from
// about 1280x960 the near side keeps them all. Fewer than that showed: faceted collars on the
// near pawns.
void addDetailLevels(Ogre::MeshPtr mesh) {
    // Screen pixels of the bounding sphere per squared world unit of its radius, in the opening
    // view: 15800 to 19600 on the near ranks and 8400 to 10100 on the far ones at 800x600;
    // 1.64 times that at 1024x768 and 2.56 times at 1280x960.
    constexpr Ogre::Real kMiddle = 34000, kFar = 13000;
    const Ogre::Real area = mesh->getBoundingSphereRadius() * mesh->getBoundingSphereRadius();
    Ogre::LodConfig config(mesh,
                           Ogre::LodStrategyManager::getSingleton().getStrategy("pixel_count"));
    // Separate index lists per level, which the mesh file stores as they are.
    config.advanced.useCompression = false;
    config.createGeneratedLodLevel(kMiddle * area, 0.45f);
    config.createGeneratedLodLevel(kFar * area, 0.65f);
    Ogre::MeshLodGenerator::getSingleton().generateLodLevels(config);
}

void exportShape(const std::string& shape, const std::string& folder) {
    meshgen::TriMesh tri = meshgen::buildShape(shape);
    if (tri.indices.empty())
        tri = meshgen::buildBoardShape(shape);
    Ogre::ManualObject manual(shape);
    manual.begin(defaultMaterial(shape), Ogre::RenderOperation::OT_TRIANGLE_LIST,
                 Ogre::RGN_DEFAULT);
    for (const meshgen::Vertex& v : tri.vertices) {
        manual.position(v.pos.x, v.pos.y, v.pos.z);
        manual.normal(v.normal.x, v.normal.y, v.normal.z);
        manual.textureCoord(v.u, v.v);
    }
    for (unsigned i : tri.indices)
        manual.index(i);
    manual.end();
    Ogre::MeshPtr mesh = manual.convertToMesh(shape + ".mesh");
    if (isPiece(shape))
        addDetailLevels(mesh);
    // Stencil shadows need the edge list of every caster, and only casters: the pieces cast
    // through their hulls, the board and its markers not at all. A piece's own list would be one
    // per detail level, most of the file and of its loading time.
    if (meshgen::castsShadow(shape))
        mesh->buildEdgeList();
    Ogre::MeshSerializer serializer;
    serializer.exportMesh(mesh.get(), folder + "/" + shape + ".mesh");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: korvane_meshgen <output folder>\n";
        return 2;
    }
    try {
        auto logs = std::make_unique<Ogre::LogManager>();
        logs->createLog("meshgen.log", true, false, true);
        // The buffer manager outlives the root: the meshes free their buffers through it.
        auto buffers = std::make_unique<Ogre::DefaultHardwareBufferManager>();
        auto root = std::make_unique<Ogre::Root>("", "", "");
        auto detail = std::make_unique<Ogre::MeshLodGenerator>();
        std::vector<std::string> shapes = meshgen::shapeNames();
        for (const std::string& shape : meshgen::boardShapeNames())
            shapes.push_back(shape);
        for (const std::string& shape : shapes)
            if (!Ogre::MaterialManager::getSingleton().resourceExists(defaultMaterial(shape)))
                Ogre::MaterialManager::getSingleton().create(defaultMaterial(shape),
                                                             Ogre::RGN_DEFAULT);
        std::string sums;
        for (const std::string& shape : shapes) {
            exportShape(shape, argv[1]);
            const std::string name = shape + ".mesh";
            const std::string bytes = readFile(std::string(argv[1]) + "/" + name);
            sums += korvane::formatMeshSum({name, bytes.size(), korvane::contentHash(bytes)});
        }
        // Written last: a list that exists describes meshes that were all written.
        std::ofstream(std::string(argv[1]) + "/" + korvane::kMeshSumFile, std::ios::binary) << sums;
        root.reset();
    } catch (const Ogre::Exception& e) {
        std::cerr << "korvane_meshgen: " << e.getFullDescription() << "\n";
        return 1;
    }
    return 0;
}
