#include "board_setup.h"

namespace korvane {

void buildBoard(Ogre::SceneManager*) {}

} // namespace korvane
