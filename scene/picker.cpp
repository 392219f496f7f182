#include "picker.h"

#include "board_scene.h"
#include "position.h"

#include <Ogre.h>

#include <algorithm>

namespace korvane {
namespace {

const char* const kTextureName = "rttTex";
const char* const kTextureGroup = "rtts";
constexpr unsigned short kMaxHits = 5;

} // namespace

Picker::Picker(Ogre::SceneManager* sceneManager, Ogre::Camera* camera, const BoardScene& scene,
               const Position& position, unsigned windowWidth, unsigned windowHeight)
    : sceneManager_(sceneManager), camera_(camera), position_(position) {
    query_ = sceneManager_->createRayQuery(Ogre::Ray());
    // Only entities: the camera and the light are movable objects too, and their names
    // would end the walk.
    query_->setQueryTypeMask(Ogre::SceneManager::ENTITY_TYPE_MASK);
    // Nor the pieces' invisible shadow casters, which stand where the pieces stand.
    query_->setQueryMask(~kShadowCasterQueryFlag);
    // Hidden entities still answer the query; they are dropped before the limit is applied.
    query_->setSortByDistance(true);
    createTexture(windowWidth, windowHeight);
}

Picker::~Picker() {
    destroyTexture();
    if (query_)
        sceneManager_->destroyQuery(query_);
}

void Picker::createTexture(unsigned windowWidth, unsigned windowHeight) {
    width_ = std::max(1u, windowWidth / 2);
    height_ = std::max(1u, windowHeight / 2);
    auto& groups = Ogre::ResourceGroupManager::getSingleton();
    if (!groups.resourceGroupExists(kTextureGroup))
        groups.createResourceGroup(kTextureGroup);
    Ogre::TexturePtr tex = Ogre::TextureManager::getSingleton().createManual(
        kTextureName, kTextureGroup, Ogre::TEX_TYPE_2D, width_, height_, 0, Ogre::PF_BYTE_BGR,
        Ogre::TU_RENDERTARGET);
    target_ = tex->getBuffer()->getRenderTarget();
    target_->setAutoUpdated(false);
    Ogre::Viewport* vp = target_->addViewport(camera_);
    vp->setClearEveryFrame(true);
    vp->setBackgroundColour(Ogre::ColourValue::Black);
    vp->setOverlaysEnabled(false);
    vp->setShadowsEnabled(false);
    vp->setVisibilityMask(kPickOnlyFlag);
    pixels_.assign(size_t(width_) * height_ * Ogre::PixelUtil::getNumElemBytes(Ogre::PF_BYTE_BGR),
                   0);
}

void Picker::destroyTexture() {
    if (!target_)
        return;
    target_->removeAllViewports();
    Ogre::TextureManager::getSingleton().remove(kTextureName, kTextureGroup);
    target_ = nullptr;
}

void Picker::resize(unsigned windowWidth, unsigned windowHeight) {
    if (std::max(1u, windowWidth / 2) == width_ && std::max(1u, windowHeight / 2) == height_)
        return;
    destroyTexture();
    createTexture(windowWidth, windowHeight);
}

void Picker::rayEntities(float mx, float my, std::vector<Ogre::Entity*>* entities) {
    query_->setRay(camera_->getCameraToViewportRay(mx, my));
    for (const Ogre::RaySceneQueryResultEntry& entry : query_->execute())
        if (auto* e = dynamic_cast<Ogre::Entity*>(entry.movable); e && e->isVisible())
            entities->push_back(e);
    query_->clearResults();
}

std::vector<std::string> Picker::rayHits(float mx, float my, std::vector<Ogre::Entity*>* entities) {
    std::vector<std::string> names;
    query_->setRay(camera_->getCameraToViewportRay(mx, my));
    const Ogre::RaySceneQueryResult& result = query_->execute();
    for (const Ogre::RaySceneQueryResultEntry& entry : result) {
        if (names.size() >= kMaxHits)
            break;
        Ogre::MovableObject* object = entry.movable;
        if (object && !object->isVisible())
            continue;
        names.push_back(object ? object->getName() : std::string());
        if (entities)
            entities->push_back(dynamic_cast<Ogre::Entity*>(object));
    }
    query_->clearResults();
    return names;
}

PickHit Picker::pick(float px, float py, unsigned windowWidth, unsigned windowHeight) {
    if (windowWidth == 0 || windowHeight == 0)
        return PickHit();
    const float mx = std::clamp(px / float(windowWidth), 0.0f, 1.0f);
    const float my = std::clamp(py / float(windowHeight), 0.0f, 1.0f);
    std::vector<Ogre::Entity*> entities;
    const std::vector<std::string> names = rayHits(mx, my, &entities);
    auto alive = [this](int colour, int kind, int index) {
        const Fig* fig = position_.pieceByKind(index, kind, colour);
        return fig && fig->alive;
    };
    auto confirm = [&](size_t i) { return entities[i] && confirmPieceHit(entities[i], mx, my); };
    return walkPickNames(names, alive, confirm);
}

bool Picker::confirmPieceHit(Ogre::Entity* entity, float mx, float my) {
    Ogre::RenderSystem* rs = Ogre::Root::getSingleton().getRenderSystem();
    if (rs && rs->getName() == "OpenGL Rendering Subsystem") {
        const Ogre::ConfigOptionMap& options = rs->getConfigOptions();
        auto it = options.find("Full Screen");
        if (it != options.end() && it->second.currentValue == "Yes")
            return true;
    }
    if (!entity || !target_)
        return false;

    // mx or my of exactly 1 would read one past the last pixel.
    const size_t x = std::min(size_t(std::max(0.0f, mx) * float(width_)), size_t(width_ - 1));
    const size_t y = std::min(size_t(std::max(0.0f, my) * float(height_)), size_t(height_ - 1));

    // Only an entity whose bounding box the ray through the tested pixel's centre meets can
    // cover that pixel, so the others are left out of the render: a click costs a handful
    // of draws instead of the whole board. The ones kept still hide the piece behind them.
    // Boxes follow their nodes only when the scene graph updates, normally in a render; a
    // piece moved since the last frame must be judged where it is now.
    sceneManager_->_updateSceneGraph(camera_);
    std::vector<Ogre::Entity*> keep;
    rayEntities((float(x) + 0.5f) / float(width_), (float(y) + 0.5f) / float(height_), &keep);
    if (std::find(keep.begin(), keep.end(), entity) == keep.end())
        keep.push_back(entity);
    std::vector<std::pair<Ogre::MovableObject*, Ogre::uint32>> flags;
    for (const auto& [name, object] :
         sceneManager_->getMovableObjects(Ogre::EntityFactory::FACTORY_TYPE_NAME)) {
        const Ogre::uint32 was = object->getVisibilityFlags();
        flags.emplace_back(object, was);
        const bool kept = std::find(keep.begin(), keep.end(), object) != keep.end();
        // An entity the viewport would not have drawn stays undrawn.
        object->setVisibilityFlags(kept && was ? (was | kPickOnlyFlag) : (was & ~kPickOnlyFlag));
    }

    std::vector<Ogre::MaterialPtr> remembered;
    for (unsigned i = 0; i < entity->getNumSubEntities(); ++i) {
        remembered.push_back(entity->getSubEntity(i)->getMaterial());
        entity->getSubEntity(i)->setMaterialName("Fig/Confirm");
    }
    Ogre::Light* light =
        sceneManager_->hasLight("MainLight") ? sceneManager_->getLight("MainLight") : nullptr;
    const bool lightWasVisible = light && light->isVisible();
    if (light)
        light->setVisible(false);
    const Ogre::ColourValue ambient = sceneManager_->getAmbientLight();
    sceneManager_->setAmbientLight(Ogre::ColourValue(0, 0, 0, 1));
    if (showGui_)
        showGui_(false);

    target_->update();

    if (showGui_)
        showGui_(true);
    sceneManager_->setAmbientLight(ambient);
    if (light)
        light->setVisible(lightWasVisible);
    for (unsigned i = 0; i < entity->getNumSubEntities() && i < remembered.size(); ++i)
        entity->getSubEntity(i)->setMaterial(remembered[i]);
    for (const auto& [object, was] : flags)
        object->setVisibilityFlags(was);

    Ogre::PixelBox box(width_, height_, 1, Ogre::PF_BYTE_BGR, pixels_.data());
    target_->copyContentsToMemory(box, box);
    Ogre::Image image;
    image.loadDynamicImage(pixels_.data(), width_, height_, Ogre::PF_BYTE_BGR);
    return image.getColourAt(x, y, 0) == Ogre::ColourValue(1, 0, 0, 1);
}

} // namespace korvane
