#include "board_scene.h"

#include "mesh_sum.h"
#include "pick_names.h"

#include <Ogre.h>

#include <algorithm>

namespace korvane {
namespace {

const char* const kMeshes[6] = {"pawn.mesh",   "rook.mesh",  "knight.mesh",
                                "bishop.mesh", "queen.mesh", "king.mesh"};
const char* const kCasterMeshes[6] = {"pawn_caster.mesh",   "rook_caster.mesh",
                                      "knight_caster.mesh", "bishop_caster.mesh",
                                      "queen_caster.mesh",  "king_caster.mesh"};
const int kIndexCount[6] = {8, 10, 10, 10, 10, 1};

// Custom shader parameter of every piece: its side (x 0 White, 1 Black), for the materials
// that keep the sides apart.
constexpr size_t kSideParam = 0;
// A knight or a queen has at most eight captures.
constexpr int kCaptureMarks = 8;

// The surroundings are neither picked nor cast shadows: a click goes through them to the
// square or piece, and the shadow volumes stay those of the pieces.
void makeScenery(Ogre::Entity* e) {
    e->setCastShadows(false);
    e->setQueryFlags(0);
}

bool validPiece(int colour, int kind, int index) {
    return colour >= 0 && colour < 2 && kind >= 0 && kind < 6 && index >= 0 &&
           index < kIndexCount[kind];
}

// Refuses damaged or missing meshes with an engine exception, before the engine reads them.
void verifyMeshes() {
    auto& groups = Ogre::ResourceGroupManager::getSingleton();
    auto readAll = [&](const std::string& name, std::string& bytes) {
        if (!groups.resourceExistsInAnyGroup(name))
            return false;
        bytes = groups.openResource(name, groups.findGroupContainingResource(name))->getAsString();
        return true;
    };
    std::string list;
    std::vector<MeshSum> sums;
    std::string damage;
    if (!readAll(kMeshSumFile, list) || !parseMeshSums(list, sums))
        damage = std::string("the list of meshes '") + kMeshSumFile + "' is missing or damaged";
    else
        damage = meshDamage(sums, readAll);
    if (!damage.empty())
        OGRE_EXCEPT(Ogre::Exception::ERR_INVALID_STATE,
                    "The game's media are broken: " + damage + ". Rebuild or reinstall the game.",
                    "BoardScene::build");
}

} // namespace

// The engine's own pass that darkens the stencilled pixels, made before the engine makes it.
// The engine's version carries a texture unit without a texture, which binds its 16-bit
// warning texture; on the software renderer that first upload compiles code of its own and
// cost some 130 ms of the first frame. This one binds the squares' texture, which is loaded
// anyway; the unit's colour comes from the shadow colour alone.
void makeShadowModulationPass(const Ogre::ColourValue& shadowColour) {
    const char* name = "Ogre/StencilShadowModulationPass";
    auto& materials = Ogre::MaterialManager::getSingleton();
    if (materials.resourceExists(name, Ogre::RGN_INTERNAL))
        return;
    Ogre::MaterialPtr material = materials.create(name, Ogre::RGN_INTERNAL);
    Ogre::Pass* pass = material->getTechnique(0)->getPass(0);
    pass->setSceneBlending(Ogre::SBF_DEST_COLOUR, Ogre::SBF_ZERO);
    pass->setLightingEnabled(false);
    pass->setDepthWriteEnabled(false);
    pass->setDepthCheckEnabled(false);
    pass->setCullingMode(Ogre::CULL_NONE);
    Ogre::TextureUnitState* unit = pass->createTextureUnitState("board_squares.dds");
    // Sampled over the whole window but never seen: the cheapest filter.
    unit->setTextureFiltering(Ogre::TFO_NONE);
    unit->setColourOperationEx(Ogre::LBX_MODULATE, Ogre::LBS_MANUAL, Ogre::LBS_CURRENT,
                               shadowColour);
    material->load();
}

void lightBoard(Ogre::SceneManager* sceneManager, bool shadows) {
    sceneManager->setAmbientLight(Ogre::ColourValue(0.5f, 0.5f, 0.5f, 1.0f));
    if (shadows) {
        sceneManager->setShadowTechnique(Ogre::SHADOWTYPE_STENCIL_MODULATIVE);
        // Softer than black: the wood's grain and a highlighted square still read in shade.
        const Ogre::ColourValue shadowColour(0.5f, 0.5f, 0.5f, 0.2f);
        makeShadowModulationPass(shadowColour);
        sceneManager->setShadowColour(shadowColour);
        sceneManager->setShadowFarDistance(24);
        // Finite shadow volumes, which the game's extrusion program (media/shadows) ends just
        // under the board: the stencil fill stays small on a software renderer.
        sceneManager->setShadowUseInfiniteFarPlane(false);
    }
    Ogre::Light* light = sceneManager->createLight("MainLight");
    Ogre::SceneNode* lightNode =
        sceneManager->getRootSceneNode()->createChildSceneNode("MainLightNode");
    lightNode->attachObject(light);
    lightNode->setPosition(4, 10, 4);
    lightNode->setDirection(Ogre::Vector3(4, 0, 4), Ogre::Node::TS_WORLD);
    light->setDiffuseColour(0.7f, 0.7f, 0.7f);
    light->setSpecularColour(0.9f, 0.9f, 0.9f);
    // The range reaches every point of the board and pieces (the farthest corner is 11.5 away),
    // so the lighting is that of an unlimited lamp.
    light->setAttenuation(12.0f, 1.0f, 0.0f, 0.0f);
}

PieceLooks PieceLooks::forCartoon(bool cartoon) {
    if (!cartoon)
        return PieceLooks();
    return {"Fig/WhiteCartoon", "Fig/BlackCartoon", "Fig/MoveableCartoon"};
}

namespace {

// A render queue that is never drawn: after the scene's own ones and before the overlays.
// - A caster's shadow volume is all the frame needs of it. Drawn as an object it writes
//   neither colour nor depth, yet the software renderer still rasterised and depth-tested every
//   hull: a tenth of a frame at 800x600. The lamp's caster query does not look at queues being
//   drawn, and still finds them.
// - The tiles are shown by the squares' mesh; they stay for their names, materials and picks.
constexpr Ogre::uint8 kUndrawnQueue = Ogre::RENDER_QUEUE_8;

class UndrawnQueueSkip : public Ogre::RenderQueueListener {
  public:
    void renderQueueStarted(Ogre::uint8 queueGroupId, const Ogre::String&,
                            bool& skipThisInvocation) override {
        if (queueGroupId == kUndrawnQueue)
            skipThisInvocation = true;
    }
};

} // namespace

BoardScene::BoardScene(Ogre::SceneManager* sceneManager, PieceLooks looks)
    : sceneManager_(sceneManager), looks_(std::move(looks)) {}

BoardScene::~BoardScene() {
    if (undrawnQueueSkip_)
        sceneManager_->removeRenderQueueListener(undrawnQueueSkip_.get());
}

void BoardScene::build() {
    verifyMeshes();
    undrawnQueueSkip_ = std::make_unique<UndrawnQueueSkip>();
    sceneManager_->addRenderQueueListener(undrawnQueueSkip_.get());
    Ogre::SceneNode* root = sceneManager_->getRootSceneNode();
    for (int i = 0; i < 64; ++i) {
        Ogre::Entity* tile = sceneManager_->createEntity(tileName(i), "plane.mesh");
        tile->setCastShadows(false);
        tile->setRenderQueueGroup(kUndrawnQueue);
        Ogre::SceneNode* node = root->createChildSceneNode();
        node->setPosition(Ogre::Real(i / 8), 0, Ogre::Real(i % 8));
        node->attachObject(tile);
        tiles_[i] = tile;
    }
    squares_ = sceneManager_->createManualObject("BoardSquares");
    squares_->setCastShadows(false);
    squares_->setQueryFlags(0);
    squares_->setVisibilityFlags(squares_->getVisibilityFlags() & ~kPickOnlyFlag);
    root->attachObject(squares_);
    auto createPiece = [&](int colour, int kind, int index) {
        Ogre::Entity* e =
            sceneManager_->createEntity(pieceName(colour, kind, index), kMeshes[kind]);
        e->setMaterialName(colour == 0 ? looks_.white : looks_.black);
        for (unsigned i = 0; i < e->getNumSubEntities(); ++i)
            e->getSubEntity(i)->setCustomParameter(kSideParam,
                                                   Ogre::Vector4(Ogre::Real(colour), 0, 0, 0));
        e->setVisible(false);
        // The piece's convex hull casts its shadow in its place: the same shadow on the board
        // for a fraction of the stencil fill. It draws nothing and is never picked.
        e->setCastShadows(false);
        Ogre::Entity* caster = sceneManager_->createEntity(
            "Caster_" + pieceName(colour, kind, index), kCasterMeshes[kind]);
        caster->setMaterialName("Fig/ShadowCaster");
        caster->setRenderQueueGroup(kUndrawnQueue);
        // The lamp finds its casters by a scene query: the caster answers that one, not a pick.
        caster->setQueryFlags(kShadowCasterQueryFlag);
        caster->setVisible(false);
        Ogre::SceneNode* node = root->createChildSceneNode();
        // Knights face +X, towards Black; Black's look the other way.
        if (colour == 1 && kind == KnightKind)
            node->yaw(Ogre::Degree(180));
        node->attachObject(e);
        node->attachObject(caster);
        pieces_[colour][kind][index] = e;
        casters_[colour][kind][index] = caster;
    };
    for (int colour = 0; colour < 2; ++colour) {
        for (int i = 0; i < 8; ++i)
            createPiece(colour, PawnKind, i);
        for (int i = 0; i < 10; ++i)
            for (int kind = RookKind; kind <= QueenKind; ++kind)
                createPiece(colour, kind, i);
        createPiece(colour, KingKind, 0);
    }
    arrow_ = sceneManager_->createEntity("Arrow", "arrow.mesh");
    arrow_->setMaterialName("Marker/Arrow");
    arrow_->setVisible(false);
    arrowNode_ = root->createChildSceneNode("ArrowNode");
    arrowNode_->attachObject(arrow_);
    buildSurroundings();
    repaintSquares(-1, -1);
}

void BoardScene::buildSurroundings() {
    Ogre::SceneNode* root = sceneManager_->getRootSceneNode();
    frame_ = sceneManager_->createEntity("BoardFrame", "frame.mesh");
    makeScenery(frame_);
    root->createChildSceneNode()->attachObject(frame_);
    Ogre::Entity* table = sceneManager_->createEntity("BoardTable", "table.mesh");
    makeScenery(table);
    root->createChildSceneNode()->attachObject(table);
    for (int colour = 0; colour < 2; ++colour) {
        Ogre::Entity* glow =
            sceneManager_->createEntity(colour == 0 ? "CheckGlow" : "CheckGlowB", "glow.mesh");
        makeScenery(glow);
        glow->setVisible(false);
        root->createChildSceneNode()->attachObject(glow);
        checkGlows_[colour] = glow;
    }
    for (int i = 0; i < kCaptureMarks; ++i) {
        Ogre::Entity* mark =
            sceneManager_->createEntity("CaptureMark_" + std::to_string(i), "glow.mesh");
        makeScenery(mark);
        mark->setMaterialName("Marker/Capture");
        mark->setVisible(false);
        Ogre::SceneNode* node = root->createChildSceneNode();
        // The glow's square is half again a board square.
        node->setScale(Ogre::Vector3(1 / 1.5f));
        node->attachObject(mark);
        captureMarks_.push_back(mark);
    }
}

void BoardScene::setPieceVisible(int colour, int kind, int index, bool visible) {
    if (Ogre::Entity* e = pieceEntity(colour, kind, index)) {
        e->setVisible(visible);
        casters_[colour][kind][index]->setVisible(visible);
    }
}

void BoardScene::placePiece(int colour, int kind, int index, int x, int y) {
    // Files run along the world's z axis and ranks along x.
    if (Ogre::Entity* e = pieceEntity(colour, kind, index))
        e->getParentSceneNode()->setPosition(Ogre::Real(y) + 0.5f, 0.0f, Ogre::Real(x) + 0.5f);
}

void BoardScene::repaintSquares(int lastMoveFrom, int lastMoveTo) {
    if (!tiles_[0])
        return;
    bool dark = true;
    for (int i = 0; i < 64; ++i) {
        tiles_[i]->setMaterialName(dark ? "Desk/Black" : "Desk/White");
        if (i % 8 != 7)
            dark = !dark;
    }
    for (Ogre::Entity* mark : captureMarks_)
        mark->setVisible(false);
    for (int square : {lastMoveFrom, lastMoveTo}) {
        if (square < 0 || square > 63)
            continue;
        const bool wasDark = tileMaterial(square) == "Desk/Black";
        tiles_[square]->setMaterialName(wasDark ? "Desk/BlackHighlighted"
                                                : "Desk/WhiteHighlighted");
    }
    syncSquares();
}

void BoardScene::paintTargets(const int* squares, int count) {
    if (!squares)
        return;
    // A target with a piece on it is a capture: the same material, and a coral frame on it.
    size_t marks = 0;
    for (int i = 0; i < count; ++i)
        if (Ogre::Entity* tile = tileEntity(squares[i])) {
            tile->setMaterialName("Desk/Green");
            if (pieceOn(squares[i]) && marks < captureMarks_.size()) {
                Ogre::Entity* mark = captureMarks_[marks++];
                mark->getParentSceneNode()->setPosition(Ogre::Real(squares[i] / 8) + 0.5f, 0.003f,
                                                        Ogre::Real(squares[i] % 8) + 0.5f);
                mark->setVisible(true);
            }
        }
    syncSquares();
}

void BoardScene::syncSquares() {
    // Each tile's quad in world space, a section per material. The grain texture covers the
    // whole board, a cell a square, so a highlighted square keeps its own grain.
    std::vector<std::string> materials;
    for (Ogre::Entity* tile : tiles_) {
        const std::string& name = tile->getSubEntity(0)->getMaterialName();
        if (std::find(materials.begin(), materials.end(), name) == materials.end())
            materials.push_back(name);
    }
    squares_->clear();
    for (const std::string& material : materials) {
        squares_->begin(material, Ogre::RenderOperation::OT_TRIANGLE_LIST);
        Ogre::uint32 first = 0;
        for (Ogre::Entity* tile : tiles_) {
            if (tile->getSubEntity(0)->getMaterialName() != material)
                continue;
            const Ogre::Vector3 corner = tile->getParentSceneNode()->getPosition();
            for (const auto& [dx, dz] : {std::pair{0, 0}, {0, 1}, {1, 1}, {1, 0}}) {
                squares_->position(corner + Ogre::Vector3(Ogre::Real(dx), 0, Ogre::Real(dz)));
                squares_->normal(Ogre::Vector3::UNIT_Y);
                squares_->textureCoord((corner.x + Ogre::Real(dx)) / 8,
                                       (corner.z + Ogre::Real(dz)) / 8);
            }
            squares_->quad(first, first + 1, first + 2, first + 3);
            first += 4;
        }
        squares_->end();
    }
}

void BoardScene::resetPieceLooks(int colour) {
    if (colour < 0 || colour > 1)
        return;
    const std::string& look = colour == 0 ? looks_.white : looks_.black;
    for (int kind = 0; kind < 6; ++kind)
        for (int i = 0; i < kIndexCount[kind]; ++i)
            if (Ogre::Entity* e = pieces_[colour][kind][i])
                e->setMaterialName(look);
}

void BoardScene::markMovable(int colour, int kind, int index) {
    if (Ogre::Entity* e = pieceEntity(colour, kind, index))
        e->setMaterialName(looks_.movable);
}

void BoardScene::showArrow(int x, int y) {
    if (!arrow_)
        return;
    // Just over the piece's own top, whatever its kind: high above a pawn the arrow would
    // seem to point at the piece behind it.
    float tip = kArrowHeight;
    if (x >= 0 && x < 8 && y >= 0 && y < 8)
        if (Ogre::Entity* piece = pieceOn(x + 8 * y))
            tip = piece->getBoundingBox().getMaximum().y + kArrowGap;
    const float lowest = arrow_->getBoundingBox().getMinimum().y;
    arrowNode_->setPosition(Ogre::Real(y) + 0.5f, tip - lowest, Ogre::Real(x) + 0.5f);
    arrow_->setVisible(true);
}

void BoardScene::hideArrow() {
    if (arrow_)
        arrow_->setVisible(false);
}

void BoardScene::kingInCheck(int colour, int square) {
    Ogre::Entity* glow = checkGlow(colour);
    if (!glow)
        return;
    const bool shown = square >= 0 && square < 64;
    if (shown)
        glow->getParentSceneNode()->setPosition(Ogre::Real(square / 8) + 0.5f, 0.004f,
                                                Ogre::Real(square % 8) + 0.5f);
    glow->setVisible(shown);
}

void BoardScene::spinArrow(float seconds) {
    if (arrowNode_)
        arrowNode_->yaw(Ogre::Radian(kArrowSpinSpeed * seconds), Ogre::Node::TS_LOCAL);
}

Ogre::Entity* BoardScene::tileEntity(int square) const {
    return square >= 0 && square < 64 ? tiles_[square] : nullptr;
}

Ogre::Entity* BoardScene::pieceEntity(int colour, int kind, int index) const {
    return validPiece(colour, kind, index) ? pieces_[colour][kind][index] : nullptr;
}

Ogre::Entity* BoardScene::checkGlow(int colour) const {
    return colour == 0 || colour == 1 ? checkGlows_[colour] : nullptr;
}

Ogre::Entity* BoardScene::pieceOn(int square) const {
    const Ogre::Vector3 centre(Ogre::Real(square / 8) + 0.5f, 0, Ogre::Real(square % 8) + 0.5f);
    for (int colour = 0; colour < 2; ++colour)
        for (int kind = 0; kind < 6; ++kind)
            for (int i = 0; i < kIndexCount[kind]; ++i) {
                Ogre::Entity* e = pieces_[colour][kind][i];
                if (e && e->isVisible() &&
                    e->getParentSceneNode()->getPosition().squaredDistance(centre) < 0.01f)
                    return e;
            }
    return nullptr;
}

bool BoardScene::captureMarked(int square) const {
    if (square < 0 || square > 63)
        return false;
    const Ogre::Vector3 centre(Ogre::Real(square / 8) + 0.5f, 0.003f,
                               Ogre::Real(square % 8) + 0.5f);
    for (Ogre::Entity* mark : captureMarks_)
        if (mark->isVisible() &&
            mark->getParentSceneNode()->getPosition().squaredDistance(centre) < 1e-4f)
            return true;
    return false;
}

std::string BoardScene::tileMaterial(int square) const {
    Ogre::Entity* tile = tileEntity(square);
    if (!tile || tile->getNumSubEntities() == 0)
        return std::string();
    return tile->getSubEntity(0)->getMaterialName();
}

} // namespace korvane
