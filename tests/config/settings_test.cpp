#include "settings.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

using korvane::settings;

namespace {

TEST(Settings, FlagsAreOnOnlyForExactTrue) {
    TempDir dir;
    std::string cfg = dir.file("config.cfg");
    writeFile(cfg, "[Game]\nPlayerName=Jan\nFlipView=true\nSounds=True\nHighlighting=true\n"
                   "LastMoveHighlighting=TRUE\n[Video]\nFlipView=false\n");
    korvane::loadSettings(cfg);
    EXPECT_EQ(settings().playerName, "Jan");
    EXPECT_TRUE(settings().flipView);
    EXPECT_FALSE(settings().sounds);
    EXPECT_TRUE(settings().highlighting);
    EXPECT_FALSE(settings().lastMoveHighlighting);

    writeFile(cfg, "[Game]\nSounds=true\nLastMoveHighlighting=true\n");
    korvane::loadSettings(cfg);
    EXPECT_EQ(settings().playerName, "");
    EXPECT_FALSE(settings().flipView);
    EXPECT_TRUE(settings().sounds);
    EXPECT_FALSE(settings().highlighting);
    EXPECT_TRUE(settings().lastMoveHighlighting);
}

TEST(Settings, PlayerNameOverFiftyBytesBecomesUnnamed) {
    TempDir dir;
    std::string cfg = dir.file("config.cfg");
    std::string fifty(50, 'n');
    writeFile(cfg, "[Game]\nPlayerName=" + fifty + "\n");
    korvane::loadSettings(cfg);
    EXPECT_EQ(settings().playerName, fifty);
    writeFile(cfg, "[Game]\nPlayerName=" + fifty + "x\n");
    korvane::loadSettings(cfg);
    EXPECT_EQ(settings().playerName, "Unnamed player");
    // The file keeps the long value.
    EXPECT_EQ(korvane::ConfigStore::getValue("PlayerName", "Game", cfg), fifty + "x");
    // 26 two-byte letters are 52 bytes.
    std::string czech;
    for (int i = 0; i < 26; ++i)
        czech += "\xc5\xa1";
    korvane::setPlayerName(czech);
    EXPECT_EQ(settings().playerName, "Unnamed player");
    korvane::setPlayerName("Eva");
    EXPECT_EQ(settings().playerName, "Eva");
}

TEST(Settings, CartoonChoosesTheMaterialSet) {
    TempDir dir;
    std::string cfg = dir.file("config.cfg");
    writeFile(cfg, "[Game]\nCartoon=true\n");
    korvane::loadPieceMaterials(cfg);
    EXPECT_EQ(settings().movableMaterial, "Fig/MoveableCartoon");
    EXPECT_EQ(settings().whiteMaterial, "Fig/WhiteCartoon");
    EXPECT_EQ(settings().blackMaterial, "Fig/BlackCartoon");
    writeFile(cfg, "[Game]\nCartoon=yes\n");
    korvane::loadPieceMaterials(cfg);
    EXPECT_EQ(settings().movableMaterial, "Fig/Moveable");
    EXPECT_EQ(settings().whiteMaterial, "Fig/White");
    EXPECT_EQ(settings().blackMaterial, "Fig/Black");
}

} // namespace
