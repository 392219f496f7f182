#include "board_scene.h"

#include "mesh_sum.h"
#include "pick_names.h"

#include <Ogre.h>

namespace korvane {
namespace {

const char* const kMeshes[6] = {"pawn.mesh",   "rook.mesh",  "knight.mesh",
                                "bishop.mesh", "queen.mesh", "king.mesh"};
const int kIndexCount[6] = {8, 10, 10, 10, 10, 1};

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

PieceLooks PieceLooks::forCartoon(bool cartoon) {
    if (!cartoon)
        return PieceLooks();
    return {"Fig/WhiteCartoon", "Fig/BlackCartoon", "Fig/MoveableCartoon"};
}

BoardScene::BoardScene(Ogre::SceneManager* sceneManager, PieceLooks looks)
    : sceneManager_(sceneManager), looks_(std::move(looks)) {}

void BoardScene::build() {
    verifyMeshes();
    Ogre::SceneNode* root = sceneManager_->getRootSceneNode();
    for (int i = 0; i < 64; ++i) {
        Ogre::Entity* tile = sceneManager_->createEntity(tileName(i), "plane.mesh");
        tile->setCastShadows(false);
        Ogre::SceneNode* node = root->createChildSceneNode();
        node->setPosition(Ogre::Real(i / 8), 0, Ogre::Real(i % 8));
        node->attachObject(tile);
        tiles_[i] = tile;
    }
    auto createPiece = [&](int colour, int kind, int index) {
        Ogre::Entity* e =
            sceneManager_->createEntity(pieceName(colour, kind, index), kMeshes[kind]);
        e->setMaterialName(colour == 0 ? looks_.white : looks_.black);
        e->setVisible(false);
        Ogre::SceneNode* node = root->createChildSceneNode();
        // Knights face +X, towards Black; Black's look the other way.
        if (colour == 1 && kind == KnightKind)
            node->yaw(Ogre::Degree(180));
        node->attachObject(e);
        pieces_[colour][kind][index] = e;
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
    repaintSquares(-1, -1);
}

void BoardScene::setPieceVisible(int colour, int kind, int index, bool visible) {
    if (Ogre::Entity* e = pieceEntity(colour, kind, index))
        e->setVisible(visible);
}

void BoardScene::setPiecePosition(int colour, int kind, int index, float worldX, float worldY,
                                  float worldZ) {
    if (Ogre::Entity* e = pieceEntity(colour, kind, index))
        e->getParentSceneNode()->setPosition(worldX, worldY, worldZ);
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
    for (int square : {lastMoveFrom, lastMoveTo}) {
        if (square < 0 || square > 63)
            continue;
        const bool wasDark = tileMaterial(square) == "Desk/Black";
        tiles_[square]->setMaterialName(wasDark ? "Desk/BlackHighlighted"
                                                : "Desk/WhiteHighlighted");
    }
}

void BoardScene::paintSquares(const int* squares, int count, const std::string& material) {
    if (!squares)
        return;
    for (int i = 0; i < count; ++i)
        if (Ogre::Entity* tile = tileEntity(squares[i]))
            tile->setMaterialName(material);
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
    arrowNode_->setPosition(Ogre::Real(y) + 0.5f, kArrowHeight, Ogre::Real(x) + 0.5f);
    arrow_->setVisible(true);
}

void BoardScene::hideArrow() {
    if (arrow_)
        arrow_->setVisible(false);
}

void BoardScene::turnView() {
    if (turnView_)
        turnView_();
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

std::string BoardScene::tileMaterial(int square) const {
    Ogre::Entity* tile = tileEntity(square);
    if (!tile || tile->getNumSubEntities() == 0)
        return std::string();
    return tile->getSubEntity(0)->getMaterialName();
}

} // namespace korvane
