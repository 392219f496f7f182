#pragma once
namespace Ogre {
class SceneManager;
}
namespace korvane {
// The square tiles, both piece sets and the rules' data for the starting position.
void buildBoard(Ogre::SceneManager* sceneManager);
} // namespace korvane
