#include "history.h"

#include <algorithm>

namespace korvane {

PositionKey positionKey(const Position& position, Turn sideToMove) {
    PositionKey key;
    for (int colour = 0; colour < 2; ++colour)
        for (const Fig& p : position.sets[colour].pieces)
            if ((p.alive || p.kind == KingKind) && onBoard(p.x, p.y))
                key.squares[squareIndex(p.x, p.y)] = std::uint8_t(1 + p.kind + 6 * colour);
    const int side = colourOf(sideToMove);
    key.side = std::uint8_t(side);
    for (int colour = 0; colour < 2; ++colour)
        for (int wing = 0; wing < 2; ++wing)
            if (position.castlingRight(colour, 1 - wing))
                key.castling |= std::uint8_t(1 << (2 * colour + wing));
    const int file = position.board.enPassantFile;
    if (file >= 0 && file < 8 && isColour(sideToMove)) {
        // A pawn's diagonal step onto the empty square behind the double step is the capture.
        const int target = squareIndex(file, side == White ? 5 : 2);
        for (const Fig& p : position.sets[side].pieces)
            if (p.alive && p.kind == PawnKind && p.x != file)
                for (int k = 0; k < p.moveCount; ++k)
                    if (p.moves[k] == target)
                        key.enPassantFile = std::int8_t(file);
    }
    return key;
}

GameHistory::GameHistory() {
    start(Position(), Turn::White);
}

void GameHistory::start(const Position& position, Turn sideToMove, FenCounters counters) {
    start_ = std::make_shared<Position>(position);
    startSide_ = sideToMove;
    startCounters_ = counters;
    startKey_ = positionKey(position, sideToMove);
    moves_.clear();
}

void GameHistory::record(const PlayedMove& move) {
    moves_.push_back(move);
}

bool GameHistory::pop() {
    if (moves_.empty())
        return false;
    moves_.pop_back();
    return true;
}

void GameHistory::forgetUndo() {
    for (PlayedMove& m : moves_)
        m.undo = MoveRecord();
}

const Position& GameHistory::startPosition() const {
    return *start_;
}

std::string GameHistory::startFen() const {
    return writeFen(startPosition(), startSide_, startCounters_);
}

bool GameHistory::standardStart() const {
    return startFen() == "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
}

FenCounters GameHistory::counters() const {
    return moves_.empty() ? startCounters_ : moves_.back().counters;
}

const PositionKey& GameHistory::currentKey() const {
    return moves_.empty() ? startKey_ : moves_.back().after;
}

int GameHistory::repetitions() const {
    const PositionKey& now = currentKey();
    // A pawn move or a capture cannot be undone, so no position before the last of them can
    // come back: only the positions since then are compared, which keeps replaying a long
    // game linear.
    const std::size_t n = moves_.size();
    const std::size_t clock = std::size_t(std::max(0, counters().halfmoveClock));
    int count = 1 + (n > 0 && clock >= n && startKey_ == now);
    for (std::size_t i = clock >= n ? 0 : n - 1 - clock; i + 1 < n; ++i)
        count += moves_[i].after == now;
    return count;
}

std::vector<std::string> GameHistory::sanMoves(PieceLetters letters) const {
    std::vector<std::string> out;
    out.reserve(moves_.size());
    for (const PlayedMove& m : moves_)
        out.push_back(sanText(m.san, letters));
    return out;
}

std::vector<int> GameHistory::capturedPieces(int colour) const {
    std::vector<int> out;
    for (const PlayedMove& m : moves_)
        if (m.captured >= 0 && m.colour != colour)
            out.push_back(m.captured);
    return out;
}

} // namespace korvane
