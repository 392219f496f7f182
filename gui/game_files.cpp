#include "game_files.h"

#include "catalogue.h"
#include "config_store.h"
#include "file_replace.h"
#include "settings.h"
#include "text_util.h"
#include "texts.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace korvane {

namespace {

namespace fs = std::filesystem;

// A game file is a few kilobytes; anything far larger is no game of ours.
constexpr std::size_t kMaxGameFileBytes = 1 << 20;
constexpr std::size_t kMaxFileNameBytes = 255;

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

std::string gameFileName(const std::string& typed) {
    std::string name = typed;
    ConfigStore::trim(name);
    if (name.empty() || name[0] == '.' || name.find('/') != std::string::npos)
        return std::string();
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7f)
            return std::string();
    const std::string file = endsWith(name, ".pgn") ? name : name + ".pgn";
    return file.size() <= kMaxFileNameBytes ? file : std::string();
}

std::string defaultGameFileName(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d-%H%M.pgn", &local);
    return buffer;
}

std::string freeGameFileName(const std::string& folder, std::time_t when) {
    const std::string name = defaultGameFileName(when);
    const std::string stem = name.substr(0, name.size() - 4);
    std::error_code ec;
    for (int n = 1;; ++n) {
        const std::string file = n == 1 ? name : stem + "-" + std::to_string(n) + ".pgn";
        if (fs::symlink_status(fs::path(folder) / file, ec).type() == fs::file_type::not_found)
            return file;
    }
}

std::vector<std::string> savedGameFiles() {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(kGamesFolder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (endsWith(name, ".pgn") && name[0] != '.' && it->is_regular_file(ec))
            names.push_back(name);
    }
    std::sort(names.rbegin(), names.rend());
    return names;
}

void GameFiles::wire() {
    for (const std::string panel : {"LocalIngame", "NetworkIngame"}) {
        onClick(panel + "/ClaimDrawButton", this, &GameFiles::claimDraw);
        onClick(panel + "/SaveButton", this, &GameFiles::openSave);
    }
    onClick("SaveGame/SaveButton", this, &GameFiles::save);
    onClick("SaveGame/CancelButton", this, &GameFiles::closeSave);
    onClick("Menu/LoadButton", this, &GameFiles::openLoad);
    onClick("LoadGame/LoadButton", this, &GameFiles::load);
    onClick("LoadGame/CancelButton", this, &GameFiles::closeLoad);
    if (auto* name = dynamic_cast<CEGUI::Editbox*>(findWindow("SaveGame/Name")))
        name->setMaxTextLength(kMaxFileNameBytes);
    refreshClaimDraw();
}

void GameFiles::refreshClaimDraw() {
    const GameState& state = backend_.gameState();
    const bool local = state.playing() && !state.networkGame();
    const bool claim = backend_.claimableDraw() != DrawReason::None;
    setShown("LocalIngame/ClaimDrawButton", local && claim);
    // Over the network a claim is a draw offer the peer checks, so it takes the offer's place.
    const bool networkClaim = state.networkGame() && claim;
    setShown("NetworkIngame/ClaimDrawButton", networkClaim);
    setShown("NetworkIngame/DrawButton", !networkClaim);
}

const char* GameFiles::gamePanel() const {
    return backend_.gameState().networkGame() ? "NetworkIngame" : "LocalIngame";
}

bool GameFiles::claimDraw(const CEGUI::EventArgs&) {
    backend_.claimDraw();
    refreshClaimDraw();
    return true;
}

std::string GameFiles::sideName(int colour) const {
    const std::string name = backend_.sideName(colour);
    return name.empty() ? settings().playerName : name;
}

bool GameFiles::openSave(const CEGUI::EventArgs&) {
    // Over the in-game panel, which waits disabled underneath.
    setText("SaveGame/Name", freeGameFileName(kGamesFolder, std::time(nullptr)));
    setText("SaveGame/Message", "");
    replacing_.clear();
    openDialog("SaveGame", gamePanel());
    activate("SaveGame/Name");
    return true;
}

bool GameFiles::closeSave(const CEGUI::EventArgs&) {
    closeDialog("SaveGame", gamePanel());
    return true;
}

bool GameFiles::save(const CEGUI::EventArgs& args) {
    const Texts& t = texts();
    const std::string file = gameFileName(windowText("SaveGame/Name"));
    if (file.empty()) {
        setText("SaveGame/Message", t.badFileName);
        return true;
    }
    const GameHistory* history = backend_.gameHistory();
    if (!history) {
        setText("SaveGame/Message", t.nothingToSave);
        return true;
    }
    PgnHeader header;
    header.event = "Korvane game";
    header.white = sideName(White);
    header.black = sideName(Black);
    char date[16];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%Y.%m.%d", &local);
    header.date = date;
    const std::string pgn = writePgn(*history, header, result_);

    std::error_code ec;
    fs::create_directories(kGamesFolder, ec);
    const fs::path path = fs::path(kGamesFolder) / file;
    // An existing game is replaced only when Save is pressed again for the same name.
    if (fs::symlink_status(path, ec).type() != fs::file_type::not_found && replacing_ != file) {
        replacing_ = file;
        setText("SaveGame/Message", t.gameFileExists);
        return true;
    }
    std::string reason;
    if (!writeFileReplacing(path.string(), pgn, &reason)) {
        setText("SaveGame/Message", t.cannotSave + path.string() + ": " + reason);
        return true;
    }
    return closeSave(args);
}

bool GameFiles::openLoad(const CEGUI::EventArgs&) {
    setText("LoadGame/Message", "");
    if (auto* list = dynamic_cast<CEGUI::Listbox*>(findWindow("LoadGame/Files"))) {
        list->resetList();
        // A name that is not UTF-8 is shown repaired; the item's number leads to its bytes.
        files_ = savedGameFiles();
        for (std::size_t i = 0; i < files_.size(); ++i) {
            CEGUI::ListboxTextItem* item = listItem(files_[i]);
            item->setID(CEGUI::uint(i));
            list->addItem(item);
        }
        if (list->getItemCount() > 0)
            list->setItemSelectState(std::size_t(0), true);
        else
            setText("LoadGame/Message", texts().noSavedGames);
    }
    openDialog("LoadGame", "Menu");
    return true;
}

bool GameFiles::closeLoad(const CEGUI::EventArgs&) {
    closeDialog("LoadGame", "Menu");
    return true;
}

bool GameFiles::load(const CEGUI::EventArgs& args) {
    const Texts& t = texts();
    auto* list = dynamic_cast<CEGUI::Listbox*>(findWindow("LoadGame/Files"));
    const CEGUI::ListboxItem* chosen = list ? list->getFirstSelectedItem() : nullptr;
    if (!chosen) {
        setText("LoadGame/Message", t.chooseGame);
        return true;
    }
    const std::size_t index = chosen->getID();
    const fs::path path = fs::path(kGamesFolder) /
                          (index < files_.size() ? files_[index] : fromGui(chosen->getText()));
    std::string pgn, reason;
    if (!readFileBounded(path.string(), kMaxGameFileBytes, pgn, reason)) {
        setText("LoadGame/Message", t.cannotRead + path.string() + ": " + reason);
        return true;
    }
    PgnGame game;
    PgnError error;
    if (!readPgn(pgn, game, error)) {
        setText("LoadGame/Message", t.pgnLine + std::to_string(error.line) + ": " + error.reason);
        return true;
    }
    std::string why;
    if (!backend_.loadGame(game, why)) {
        setText("LoadGame/Message", t.cannotLoad + why);
        return true;
    }
    closeLoad(args);
    // The loaded game goes on as a local game.
    for (const char* name : {"Menu", "Logo", "ChatHistory"})
        setShown(name, false);
    for (const char* name : {"StatusBar", "MoveList"})
        setShown(name, true);
    // A finished game opens on its game-end window, which leads to the panel.
    if (!isShown("GameEnd")) {
        setShown("LocalIngame", true);
        activate("LocalIngame");
    }
    refreshClaimDraw();
    return true;
}

} // namespace korvane
