// Everything the screens need from outside the GUI: the game, the camera, the sound,
// the engine's capabilities and the network. The application implements it; tests record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "draw.h"
#include "game/clock.h"
#include "history.h"
#include "net/net_ports.h"
#include "pgn.h"
#include "replay.h"

namespace korvane {

class GuiBackend {
  public:
    virtual ~GuiBackend() = default;

    // The game's state (mode, side to move, promotion pending, open question), for reading;
    // the game changes it through the calls below.
    virtual const GameState& gameState() = 0;

    // A local game begun (both sides at this board), or left for the menu.
    virtual void seatLocal() = 0;
    virtual void leaveGame() = 0;
    // The game's new-game reset, in the mode it has.
    virtual void newGame() = 0;
    // The view over to White's side, half a turn when it is on Black's; the player's tilt and
    // zoom stay.
    virtual void showWhiteSide() = 0;
    // The camera back to the orbit a game starts with, on White's side: the player's turning,
    // tilting and zooming are undone.
    virtual void resetCamera() = 0;
    // No selection arrow, no target squares, no movable pieces: the board as a position only.
    virtual void clearBoardMarks() = 0;
    // The game's promotion completion with piece code 1..4.
    virtual void completePromotion(int pieceCode) = 0;
    // Every piece of both sides back to its plain material.
    virtual void resetPieceLooks() = 0;
    // The in-memory flags the board and camera read changed (also written to settings()).
    virtual void flowFlagsChanged(bool flipView, bool highlighting, bool lastMoveHighlighting) = 0;
    // The main loop ends after the current frame.
    virtual void requestQuit() = 0;
    // Place "select.wav" at the origin and play it; called only while sounds are on.
    virtual void playClickSound() = 0;

    // The "RS" values this engine build can start with (render system name without the
    // " Rendering Subsystem" suffix), in the engine's order.
    virtual std::vector<std::string> renderSystems() = 0;
    // The render system can run the cartoon look's shaders.
    virtual bool cartoonShadersSupported() = 0;
    // Starts asking for the latest version number; the answer (the number, or the query's
    // error text) comes back later through Screens::showLatestVersion. A new start or a cancel
    // drops the answer of the query before.
    virtual void startVersionQuery() = 0;
    virtual void cancelVersionQuery() = 0;

    virtual void network(NetRequest request) = 0;
    // Connect to a host; typed is true for an address typed into "JoinGameDirect/Line".
    virtual void connectTo(const std::string& address, bool typed) = 0;
    // The address last connected to, for the direct-connect dialog; empty for none.
    virtual std::string lastAddress() = 0;
    // A chat line for the peer; the network shows it as the player's own line too.
    virtual void sendChat(const std::string& text) = 0;
    // The pending promotion's piece is this player's to choose (never the peer's).
    virtual bool mayChoosePromotion() = 0;

    // Playing the computer. The configured engine program when it cannot be run, empty when
    // it can.
    virtual std::string missingEngine() { return std::string(); }
    // A game against the engine: colour 0 White, 1 Black, 2 drawn at random; level 1..8.
    virtual void startComputerGame(int colour, int level) {
        (void)colour;
        (void)level;
    }
    // The time control of the next local game or game against the computer, as the player
    // last chose it; choosing one remembers it.
    virtual TimeControl timeControl() { return TimeControl(); }
    virtual void chooseTimeControl(const TimeControl& control) { (void)control; }
    // Take Back: in a local game the last move, in a game against the computer the player's
    // last move and the engine's reply.
    virtual void takeBack() {}

    // Drawn and saved games, through the game. The draw the side to move may claim now.
    virtual DrawReason claimableDraw() { return DrawReason::None; }
    // Ends a local game as that draw.
    virtual void claimDraw() {}
    // The game on the board; null when there is none.
    virtual const GameHistory* gameHistory() { return nullptr; }
    // The name of the side playing `colour` for a game file: "Computer" for the engine, the
    // peer's name; empty for the player at this computer (the settings' name).
    virtual std::string sideName(int colour) {
        (void)colour;
        return std::string();
    }
    // A local game at the last position of a read game file, all or nothing: false with the
    // reason, the game on the board untouched. `replayed` is the game already played through
    // the rules (off the frame loop for a long one), which the board takes over as it is.
    virtual bool loadGame(const PgnGame& game, Replay& replayed, std::string& error) {
        (void)game;
        (void)replayed;
        error = "no game to load into";
        return false;
    }
};

} // namespace korvane
