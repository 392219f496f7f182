#include "korvane_app.h"

#include "app_backend.h"
#include "config/config_store.h"
#include "config/settings.h"
#include "rules/position.h"
#include "scene/board_scene.h"

#include <CEGUI/CEGUI.h>
#include <Ogre.h>

namespace korvane {

namespace {

// Engine exceptions are the one failure the entry point reports; a GUI toolkit failure
// during start-up or inside a frame is reported the same way.
[[noreturn]] void rethrowGuiFailure(const CEGUI::Exception& e) {
    OGRE_EXCEPT(Ogre::Exception::ERR_INTERNAL_ERROR,
                std::string("GUI: ") + e.getMessage().c_str() + " (" + e.getFileName().c_str() +
                    ")",
                e.getFunctionName().c_str());
}

} // namespace

KorvaneApp::KorvaneApp() = default;
KorvaneApp::~KorvaneApp() = default;

void KorvaneApp::run() {
    if (setUp())
        context_.root().startRendering();
}

bool KorvaneApp::setUp() {
    if (!context_.open())
        return false;
    Ogre::Root& root = context_.root();
    sceneManager_ =
        root.createSceneManager(Ogre::DefaultSceneManagerFactory::FACTORY_TYPE_NAME, "SMInstance");

    camera_ = sceneManager_->createCamera("DefaultCam");
    camera_->setNearClipDistance(0.05f);
    Ogre::SceneNode* camNode =
        sceneManager_->getRootSceneNode()->createChildSceneNode("DefaultCamNode");
    camNode->attachObject(camera_);
    camNode->setPosition(0, 0, 4);
    camNode->setFixedYawAxis(true);
    camNode->lookAt(Ogre::Vector3(0, 0, -15), Ogre::Node::TS_WORLD);

    Ogre::Viewport* vp = context_.window().addViewport(camera_, 0, 0, 0, 1, 1);
    vp->setBackgroundColour(Ogre::ColourValue(0.3f, 0.3f, 0.5f, 1.0f));
    camera_->setAspectRatio(Ogre::Real(vp->getActualWidth()) / Ogre::Real(vp->getActualHeight()));

    Ogre::ResourceGroupManager::getSingleton().initialiseAllResourceGroups();

    try {
        context_.startGui();
        buildScene();
        // The game is up before the screens build their windows, which already ask it for
        // the side to move and the draw that may be claimed.
        backend_ = std::make_unique<AppBackend>(context_, sceneManager_, camera_, *board_);
        backend_->screens().buildGui();
    } catch (const CEGUI::Exception& e) {
        rethrowGuiFailure(e);
    }
    root.addFrameListener(&backend_->frameListener());
    return true;
}

void KorvaneApp::buildScene() {
    // The board stands on a table in a dim room, not in a coloured void.
    if (Ogre::Viewport* vp = camera_->getViewport())
        vp->setBackgroundColour(Ogre::ColourValue(kRoomColour[0], kRoomColour[1], kRoomColour[2]));

    // The square tiles and both piece sets; the game's board presenter places the pieces.
    board_ = std::make_unique<BoardScene>(
        sceneManager_,
        PieceLooks{settings().whiteMaterial, settings().blackMaterial, settings().movableMaterial});
    board_->build();

    lightBoard(sceneManager_, ConfigStore::getValue("Shadows", "Video", kConfigFile) == "true");
}

} // namespace korvane
