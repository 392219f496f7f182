#include "settings.h"

namespace korvane {

Settings& settings() {
    static Settings instance;
    return instance;
}

void setPlayerName(const std::string& name) {
    // Other players receive the name in a fixed-size field; an over-long one is not cut
    // (that could split a multi-byte letter) but replaced.
    settings().playerName = name.size() > kMaxPlayerNameBytes ? kUnnamedPlayer : name;
}

void loadSettings(const std::string& file) {
    Settings& s = settings();
    setPlayerName(ConfigStore::getValue("PlayerName", "Game", file));
    s.flipView = ConfigStore::getValue("FlipView", "Game", file) == "true";
    s.sounds = ConfigStore::getValue("Sounds", "Game", file) == "true";
    s.highlighting = ConfigStore::getValue("Highlighting", "Game", file) == "true";
    s.lastMoveHighlighting = ConfigStore::getValue("LastMoveHighlighting", "Game", file) == "true";
}

void loadPieceMaterials(const std::string& file) {
    Settings& s = settings();
    if (ConfigStore::getValue("Cartoon", "Game", file) == "true") {
        s.movableMaterial = "Fig/MoveableCartoon";
        s.whiteMaterial = "Fig/WhiteCartoon";
        s.blackMaterial = "Fig/BlackCartoon";
    } else {
        s.movableMaterial = "Fig/Moveable";
        s.whiteMaterial = "Fig/White";
        s.blackMaterial = "Fig/Black";
    }
}

} // namespace korvane
