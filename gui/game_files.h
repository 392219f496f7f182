// Saved games and drawn games, their GUI side: the in-game panels' Claim Draw (shown only while
// the player on move may claim) and Save Game with its dialog, and the main menu's Load Game
// with the list of the game files in the run directory's folder "games".
#pragma once

#include "gui_backend.h"
#include "pgn.h"

#include <ctime>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace CEGUI {
class EventArgs;
}

namespace korvane {

inline const char* const kGamesFolder = "games";

// A file name typed into the save dialog as the name saved under: ".pgn" added when missing.
// Empty when the name is refused: empty, starting with '.', holding '/', a control character,
// or longer than a file name may be.
std::string gameFileName(const std::string& typed);

// The default name of a game saved at `when` (local time): "2026-12-08-1530.pgn".
std::string defaultGameFileName(std::time_t when);

// The name the save dialog offers: the default name, or with "-2", "-3" ... before ".pgn"
// when a file of that name is already in `folder`, so that a game saved in the same minute
// never replaces the one before it unasked.
std::string freeGameFileName(const std::string& folder, std::time_t when);

// The ".pgn" files of the games folder, newest name first, as their bytes are (which need not
// be UTF-8); empty when there is no folder.
std::vector<std::string> savedGameFiles();

struct ReadGame; // a game file read and played through the rules

class GameFiles {
  public:
    explicit GameFiles(GuiBackend& backend);
    ~GameFiles();

    // After every GUI build.
    void wire();
    // Claim Draw shown exactly while the game flow offers a claim.
    void refreshClaimDraw();
    // How the game on the board has ended, for the file's Result; Unfinished while it goes on.
    void setResult(PgnResult result) { result_ = result; }
    PgnResult result() const { return result_; }

    bool claimDraw(const CEGUI::EventArgs&);
    bool openSave(const CEGUI::EventArgs&);
    bool save(const CEGUI::EventArgs&);
    bool closeSave(const CEGUI::EventArgs&);
    bool openLoad(const CEGUI::EventArgs&);
    bool load(const CEGUI::EventArgs&);
    bool closeLoad(const CEGUI::EventArgs&);
    // Once a frame: a big file read off the frame loop is set up (or refused) once it has
    // been read; with `wait`, waits for it. True when a read finished.
    bool pollLoad(bool wait = false);

  private:
    // "White" and "Black" of the file: the player, the computer, the peer.
    std::string sideName(int colour) const;
    // The in-game panel of the game on the board, which the save dialog covers.
    const char* gamePanel() const;

    struct Reading;
    void finishLoad(std::unique_ptr<ReadGame> read);

    GuiBackend& backend_;
    std::unique_ptr<Reading> reading_; // the file being read off the frame loop
    PgnResult result_ = PgnResult::Unfinished;
    std::string replacing_;          // the existing file a second Save replaces
    std::vector<std::string> files_; // the Load list's files, by item number
};

} // namespace korvane
