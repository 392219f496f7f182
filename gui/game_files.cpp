#include "game_files.h"

#include "catalogue.h"
#include "config_store.h"
#include "file_replace.h"
#include "replay.h"
#include "settings.h"
#include "text_util.h"
#include "texts.h"

#include <CEGUI/CEGUI.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace korvane {

namespace {

namespace fs = std::filesystem;

// A game file is a few kilobytes; anything far larger is no game of ours.
constexpr std::size_t kMaxGameFileBytes = 1 << 20;
constexpr std::size_t kMaxFileNameBytes = 255;
// Files up to this size are read within the frame of the click.
constexpr std::uintmax_t kReadInFrameBytes = 8 << 10;

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

// What reading a game file gave, made off the frame loop for a big file: the game played
// through the rules, or why not.
struct ReadGame {
    std::string path;
    std::string unreadable; // the read's failure
    PgnError error;         // the text's refusal, when the file was read
    PgnGame game;
    Replay replay;
    bool ok = false;
};

static std::unique_ptr<ReadGame> readGameFile(const std::string& path) {
    auto read = std::make_unique<ReadGame>();
    read->path = path;
    std::string pgn;
    if (!readFileBounded(path, kMaxGameFileBytes, pgn, read->unreadable))
        return read;
    if (!readPgn(pgn, read->game, read->error))
        return read;
    std::string why;
    if (!read->replay.load(read->game.startFen, read->game.moves, &why)) {
        read->error.reason = why;
        return read;
    }
    read->ok = true;
    return read;
}

struct GameFiles::Reading {
    std::future<std::unique_ptr<ReadGame>> result;
    bool abandoned = false; // the dialog was closed while the file was read
};

GameFiles::GameFiles(GuiBackend& backend) : backend_(backend) {}
GameFiles::~GameFiles() = default;

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
        // A name that is not UTF-8 is shown repaired; the item's number leads to its bytes.
        files_ = savedGameFiles();
        list->resetList();
        setListRows(*list, files_);
        for (std::size_t i = 0; i < list->getItemCount(); ++i)
            list->getListboxItemFromIndex(i)->setID(CEGUI::uint(i));
        if (list->getItemCount() > 0)
            list->setItemSelectState(std::size_t(0), true);
        else
            setText("LoadGame/Message", texts().noSavedGames);
    }
    openDialog("LoadGame", "Menu");
    return true;
}

bool GameFiles::closeLoad(const CEGUI::EventArgs&) {
    if (reading_)
        reading_->abandoned = true;
    closeDialog("LoadGame", "Menu");
    return true;
}

bool GameFiles::load(const CEGUI::EventArgs&) {
    const Texts& t = texts();
    if (reading_) // one file at a time; its progress line is showing
        return true;
    auto* list = dynamic_cast<CEGUI::Listbox*>(findWindow("LoadGame/Files"));
    const CEGUI::ListboxItem* chosen = list ? list->getFirstSelectedItem() : nullptr;
    if (!chosen) {
        setText("LoadGame/Message", t.chooseGame);
        return true;
    }
    const std::size_t index = chosen->getID();
    const fs::path path = fs::path(kGamesFolder) /
                          (index < files_.size() ? files_[index] : fromGui(chosen->getText()));
    // A game file of a few kilobytes is read, checked and set up well within a frame. A long
    // game takes a thousand times that (milliseconds per thousand moves), which the frame
    // loop must not wait for: it is read on a thread of its own while a line says so.
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec || size <= kReadInFrameBytes) {
        finishLoad(readGameFile(path.string()));
        return true;
    }
    setText("LoadGame/Message", t.loadingGame + path.string());
    reading_ = std::make_unique<Reading>();
    reading_->result = std::async(std::launch::async, readGameFile, path.string());
    return true;
}

bool GameFiles::pollLoad(bool wait) {
    if (!reading_)
        return false;
    if (!wait && reading_->result.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return false;
    std::unique_ptr<Reading> reading = std::move(reading_);
    std::unique_ptr<ReadGame> read = reading->result.get();
    if (!reading->abandoned)
        finishLoad(std::move(read));
    return true;
}

void GameFiles::finishLoad(std::unique_ptr<ReadGame> read) {
    const Texts& t = texts();
    if (!read->unreadable.empty()) {
        setText("LoadGame/Message", t.cannotRead + read->path + ": " + read->unreadable);
        return;
    }
    if (!read->ok) {
        setText("LoadGame/Message",
                t.pgnLine + std::to_string(read->error.line) + ": " + read->error.reason);
        return;
    }
    std::string why;
    if (!backend_.loadGame(read->game, read->replay, why)) {
        setText("LoadGame/Message", t.cannotLoad + why);
        return;
    }
    closeLoad(CEGUI::EventArgs());
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
}

} // namespace korvane
