#pragma once
// The engine as the render tests and benchmarks need it: the GL render system from the
// system's plug-in folder, one window on the X server of the test, and the game's generated
// media from the run directory. The including target defines KORVANE_OGRE_PLUGIN_DIR and
// KORVANE_RUN_MEDIA.

#include <Ogre.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace korvane::testing {

struct OffscreenEngine {
    Ogre::LogManager* logs = nullptr;
    Ogre::Root* root = nullptr;
    Ogre::RenderWindow* window = nullptr;

    OffscreenEngine(const std::string& logFile, const std::string& title, unsigned width,
                    unsigned height) {
        // The engine's log goes to its file only, not to the output of the test.
        logs = new Ogre::LogManager();
        logs->createLog(logFile, true, false, false);
        root = new Ogre::Root("", "", "");
        root->loadPlugin(std::string(KORVANE_OGRE_PLUGIN_DIR) + "/RenderSystem_GL");
        root->loadPlugin(std::string(KORVANE_OGRE_PLUGIN_DIR) + "/Codec_STBI");
        Ogre::RenderSystem* rs = root->getRenderSystemByName("OpenGL Rendering Subsystem");
        if (!rs)
            throw std::runtime_error("the GL render system is not available");
        root->setRenderSystem(rs);
        root->initialise(false);
        window = root->createRenderWindow(title, width, height, false);
        auto& groups = Ogre::ResourceGroupManager::getSingleton();
        const std::string media = KORVANE_RUN_MEDIA;
        groups.addResourceLocation(media + "/materials", "FileSystem", "General");
        groups.addResourceLocation(media + "/meshes", "FileSystem", "General");
        groups.addResourceLocation(media + "/shadows", "FileSystem", Ogre::RGN_INTERNAL);
        groups.initialiseAllResourceGroups();
    }
    ~OffscreenEngine() {
        delete root;
        delete logs;
    }
    OffscreenEngine(const OffscreenEngine&) = delete;
    OffscreenEngine& operator=(const OffscreenEngine&) = delete;
};

} // namespace korvane::testing
