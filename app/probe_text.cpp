#include "probe_text.h"

#include "game/game.h"
#include "gui/probe.h"
#include "rules/fen.h"
#include "rules/position.h"
#include "scene/board_scene.h"
#include "scene/orbit.h"
#include "scene/pick_names.h"
#include "scene/screen_points.h"

#include <OgreEntity.h>

#include <cstdio>

namespace korvane {

std::string probeText(const ProbeFacts& facts, const Position& position, const OrbitState& orbit,
                      const Ogre::Camera* camera, const BoardScene& board, unsigned windowWidth,
                      unsigned windowHeight) {
    std::string out;
    out += "frame " + std::to_string(facts.frame) + "\n";
    out += "mode " + std::to_string(facts.mode) + "\n";
    out += "side " + std::to_string(static_cast<int>(facts.sideToMove)) + "\n";
    out += "fen " + writeFen(position, facts.sideToMove) + "\n";
    if (facts.selection.any())
        out += "selected " + std::to_string(facts.selection.colour) + " " +
               std::to_string(facts.selection.kind) + " " + std::to_string(facts.selection.index) +
               "\n";
    else
        out += "selected none\n";
    out += std::string("promotion ") + (facts.promotionPending ? "1" : "0") + "\n";
    char line[160];
    std::snprintf(line, sizeof line, "camera %.6f %.6f %.6f %d\n", orbit.yaw, orbit.elevation,
                  orbit.distance, facts.viewFlipped ? 1 : 0);
    out += line;
    const unsigned w = windowWidth, h = windowHeight;
    for (int sq = 0; sq < 64; ++sq) {
        const WindowPoint pt = squareCentre(camera, sq, w, h);
        std::snprintf(line, sizeof line, "square %d %.1f %.1f\n", sq, pt.x, pt.y);
        out += line;
    }
    for (int colour = 0; colour < 2; ++colour) {
        for (int slot = 0; slot < kPiecesPerSet; ++slot) {
            const Fig& f = position.sets[colour].pieces[slot];
            const WindowPoint pt = pieceCentre(board, camera, colour, f.kind, f.index, w, h);
            const int square = f.alive && onBoard(f.x, f.y) ? squareIndex(f.x, f.y) : -1;
            std::snprintf(line, sizeof line, "piece %s %d %d %.1f %.1f\n",
                          pieceName(colour, f.kind, f.index).c_str(), f.alive ? 1 : 0, square, pt.x,
                          pt.y);
            out += line;
        }
    }
    out += formatWindowLines(probeWindows());
    out += std::string("role ") + facts.role + "\n";
    out += "peer " + facts.peerName + "\n";
    out += formatLanLines(probeLanEntries());
    out += std::string("arrow ") + (board.arrowEntity()->isVisible() ? "1" : "0") + "\n";
    out += "drawn " + std::to_string(facts.framesDrawn) + "\n";
    out += "guidrawn " + std::to_string(facts.guiDraws) + "\n";
    out += facts.computerLines;
    out += facts.gameLines;
    return out;
}

namespace {

const char* drawReasonWord(DrawReason reason) {
    switch (reason) {
    case DrawReason::ThreefoldRepetition:
        return "repetition";
    case DrawReason::FiftyMoveRule:
        return "fifty-moves";
    case DrawReason::InsufficientMaterial:
        return "material";
    case DrawReason::FivefoldRepetition:
        return "fivefold";
    case DrawReason::SeventyFiveMoveRule:
        return "seventy-five-moves";
    case DrawReason::None:
        break;
    }
    return "-";
}

} // namespace

std::string clockAndResultLines(const Game& game) {
    const ChessClock& clock = game.clock();
    std::string out = "clock ";
    if (clock.any()) {
        const Millis now = game.now();
        const int running = clock.running();
        out += std::to_string(clock.left(White, now)) + " " +
               std::to_string(clock.left(Black, now)) +
               (running == White   ? " w"
                : running == Black ? " b"
                                   : " -");
    } else {
        out += "0 0 -";
    }
    out += "\nresult ";
    const std::optional<GameResult>& r = game.result();
    if (!r)
        return out + "none -\n";
    const char* winner = r->winner == White ? "white" : r->winner == Black ? "black" : "draw";
    const char* reason = "-";
    switch (r->outcome) {
    case Outcome::Checkmate:
        reason = "checkmate";
        break;
    case Outcome::Stalemate:
        reason = "stalemate";
        break;
    case Outcome::Resignation:
        reason = "resignation";
        break;
    case Outcome::AgreedDraw:
        reason = "agreement";
        break;
    case Outcome::DrawByRule:
        reason = drawReasonWord(r->draw);
        break;
    case Outcome::Abandoned:
        // A peer that left decides nothing on the board.
        return out + "none -\n";
    case Outcome::Time:
        reason = r->winner < 0 ? "time-vs-material" : "time";
        break;
    }
    return out + winner + " " + reason + "\n";
}

} // namespace korvane
