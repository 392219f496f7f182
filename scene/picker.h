// Mouse picking: the ray through the cursor, the walk over its hits, and the off-screen
// render that confirms a piece hit on the piece's real shape rather than its bounding box.
#pragma once

#include "board_click.h"

#include <functional>
#include <vector>

#include <OgrePrerequisites.h>

namespace korvane {

class BoardScene;
class Position;

class Picker {
  public:
    // Creates the ray query and the off-screen texture "rttTex" (group "rtts") of half the
    // window's size.
    Picker(Ogre::SceneManager* sceneManager, Ogre::Camera* camera, const BoardScene& scene,
           const Position& position, unsigned windowWidth, unsigned windowHeight);
    ~Picker();
    Picker(const Picker&) = delete;
    Picker& operator=(const Picker&) = delete;

    // Called with false before the off-screen render and true after it: hides the GUI
    // (root window and cursor), which would otherwise be drawn into the texture too.
    void setGuiVisibility(std::function<void(bool)> show) { showGui_ = std::move(show); }

    // Remakes the texture for a new window size.
    void resize(unsigned windowWidth, unsigned windowHeight);

    // The square or live piece under the window pixel (px, py), or none.
    PickHit pick(float px, float py, unsigned windowWidth, unsigned windowHeight);

    // Whether the entity really covers relative position (mx, my), 0..1, of the viewport.
    bool confirmPieceHit(Ogre::Entity* entity, float mx, float my);

    // Names of the visible hits along the ray at (mx, my), nearest first, at most five.
    std::vector<std::string> rayHits(float mx, float my, std::vector<Ogre::Entity*>* entities);

  private:
    // Every visible entity whose bounding box the ray at (mx, my) meets, in no fixed order.
    void rayEntities(float mx, float my, std::vector<Ogre::Entity*>* entities);
    void createTexture(unsigned windowWidth, unsigned windowHeight);
    void destroyTexture();

    Ogre::SceneManager* sceneManager_;
    Ogre::Camera* camera_;
    const Position& position_;
    Ogre::RaySceneQuery* query_ = nullptr;
    Ogre::RenderTexture* target_ = nullptr;
    unsigned width_ = 0, height_ = 0;
    std::vector<unsigned char> pixels_;
    std::function<void(bool)> showGui_;
};

} // namespace korvane
