// Process-wide copies of the settings that many parts of the game read every frame, so that
// the file is not parsed on the hot paths.
#pragma once

#include <cstddef>
#include <string>

#include "config_store.h"

namespace korvane {

inline constexpr std::size_t kMaxPlayerNameBytes = 50;
inline const char* const kUnnamedPlayer = "Unnamed player";

struct Settings {
    std::string playerName; // at most kMaxPlayerNameBytes bytes
    bool flipView = false;
    bool highlighting = false;
    bool lastMoveHighlighting = false;
    bool sounds = false;
    // Piece materials: movable piece, white piece, black piece.
    std::string movableMaterial = "Fig/Moveable";
    std::string whiteMaterial = "Fig/White";
    std::string blackMaterial = "Fig/Black";
};

// The one process-wide instance.
Settings& settings();

// Sets the player name; a name longer than kMaxPlayerNameBytes becomes kUnnamedPlayer.
void setPlayerName(const std::string& name);

// Reads [Game] PlayerName, FlipView, Sounds, Highlighting and LastMoveHighlighting from the
// file into settings(); a flag is on only when its value is exactly "true".
void loadSettings(const std::string& file = kConfigFile);

// Chooses the piece materials from [Game] Cartoon (exactly "true": the cartoon set).
void loadPieceMaterials(const std::string& file = kConfigFile);

} // namespace korvane
