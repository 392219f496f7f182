#pragma once
// The text of the state probe: what end-to-end tests read of the game after every frame.
// Built only from what it reports, read through const queries; the game's own part comes in
// as plain values.

#include "rules/types.h"

#include <string>

namespace Ogre {
class Camera;
}

namespace korvane {

class BoardScene;
struct OrbitState;
class Position;

struct ProbeFacts {
    unsigned long frame = 0;
    unsigned long framesDrawn = 0; // ticks that drew the window
    unsigned long guiDraws = 0;    // render queues the GUI has drawn
    int mode = 0;                  // the kind of game's number
    Turn sideToMove = Turn::White;
    PieceId selection; // the selected piece, if any
    bool promotionPending = false;
    bool viewFlipped = false;
    const char* role = "none"; // "host", "guest" or "none"
    std::string peerName;
    std::string computerLines; // the computer game's own lines, each ending in a newline
    std::string gameLines;     // the clock and result lines
};

class Game;
// "clock <white ms> <black ms> <w|b|->" and "result <none|white|black|draw> <reason|->".
std::string clockAndResultLines(const Game& game);

std::string probeText(const ProbeFacts& facts, const Position& position, const OrbitState& orbit,
                      const Ogre::Camera* camera, const BoardScene& board, unsigned windowWidth,
                      unsigned windowHeight);

} // namespace korvane
