// A second, deliberately plain chess model for the fuzz targets to check the game against: a
// 0x88 board of letters, pseudo-legal moves filtered by "is my king attacked after making it".
// It shares no code with the rules library, so a fault has to be made twice to slip through.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace oracle {

// Squares are rank * 16 + file; a square is on the board when no bit of 0x88 is set.
inline bool onBoard(int s) {
    return s >= 0 && !(s & 0x88);
}
inline int square(int file, int rank) {
    return rank * 16 + file;
}

struct Move {
    int from = 0;
    int to = 0;
    char promotion = 0; // 'n', 'b', 'r', 'q' or 0
    bool operator<(const Move& o) const {
        return from != o.from ? from < o.from : to != o.to ? to < o.to : promotion < o.promotion;
    }
};

struct Game {
    char board[128];        // '.' empty, upper case White, lower case Black
    int side = 0;           // 0 White, 1 Black
    bool castle[2][2] = {}; // [colour][0 queen side, 1 king side]
    int epFile = -1;        // file of the pawn that just stepped two squares, else -1

    Game() { std::fill(board, board + 128, '.'); }

    static int colourOf(char piece) { return std::islower(static_cast<unsigned char>(piece)); }
    static char kindOf(char piece) { return char(std::tolower(static_cast<unsigned char>(piece))); }
    bool own(int s, int colour) const {
        return board[s] != '.' && (colourOf(board[s]) ? 1 : 0) == colour;
    }

    int kingSquare(int colour) const {
        for (int s = 0; s < 128; ++s)
            if (onBoard(s) && own(s, colour) && kindOf(board[s]) == 'k')
                return s;
        return -1;
    }

    bool attacked(int s, int by) const {
        auto holds = [&](int at, char kind) {
            return onBoard(at) && own(at, by) && kindOf(board[at]) == kind;
        };
        const int pawnFrom = by == 0 ? -16 : 16; // where an attacking pawn stands, seen from s
        if (holds(s + pawnFrom - 1, 'p') || holds(s + pawnFrom + 1, 'p'))
            return true;
        for (int d : {14, 18, 31, 33, -14, -18, -31, -33})
            if (holds(s + d, 'n'))
                return true;
        for (int d : {1, 15, 16, 17, -1, -15, -16, -17})
            if (holds(s + d, 'k'))
                return true;
        for (int d : {1, 15, 16, 17, -1, -15, -16, -17}) {
            const bool straight = d == 1 || d == -1 || d == 16 || d == -16;
            int at = s + d;
            while (onBoard(at) && board[at] == '.')
                at += d;
            if (holds(at, 'q') || holds(at, straight ? 'r' : 'b'))
                return true;
        }
        return false;
    }

    bool inCheck(int colour) const { return attacked(kingSquare(colour), 1 - colour); }

    void pseudoMoves(std::vector<Move>& out) const {
        const int me = side;
        auto add = [&](int from, int to) {
            const int lastRank = me == 0 ? 7 : 0;
            if (kindOf(board[from]) == 'p' && to / 16 == lastRank) {
                for (char promotion : {'n', 'b', 'r', 'q'})
                    out.push_back({from, to, promotion});
            } else {
                out.push_back({from, to, 0});
            }
        };
        for (int s = 0; s < 128; ++s) {
            if (!onBoard(s) || !own(s, me))
                continue;
            const char kind = kindOf(board[s]);
            if (kind == 'p') {
                const int up = me == 0 ? 16 : -16;
                const int startRank = me == 0 ? 1 : 6;
                if (onBoard(s + up) && board[s + up] == '.') {
                    add(s, s + up);
                    if (s / 16 == startRank && board[s + 2 * up] == '.')
                        add(s, s + 2 * up);
                }
                for (int dx : {-1, 1}) {
                    const int to = s + up + dx;
                    if (!onBoard(to))
                        continue;
                    if (board[to] != '.' && !own(to, me))
                        add(s, to);
                    // The empty square a double step just passed over.
                    else if (board[to] == '.' && epFile == to % 16 && to / 16 == (me == 0 ? 5 : 2))
                        add(s, to);
                }
            } else if (kind == 'n' || kind == 'k') {
                const int knight[] = {14, 18, 31, 33, -14, -18, -31, -33};
                const int king[] = {1, 15, 16, 17, -1, -15, -16, -17};
                for (int d : kind == 'n' ? knight : king)
                    if (onBoard(s + d) && !own(s + d, me))
                        add(s, s + d);
            } else {
                for (int d : {1, 15, 16, 17, -1, -15, -16, -17}) {
                    const bool straight = d == 1 || d == -1 || d == 16 || d == -16;
                    if ((kind == 'r' && !straight) || (kind == 'b' && straight))
                        continue;
                    for (int to = s + d; onBoard(to) && !own(to, me); to += d) {
                        add(s, to);
                        if (board[to] != '.')
                            break;
                    }
                }
            }
        }
        // Castling: the rights say king and rook are still at home; the squares between them
        // are empty and the king neither starts in, passes through nor lands in check.
        const int back = me == 0 ? 0 : 7;
        const int king = square(4, back);
        if (castle[me][1] && board[square(5, back)] == '.' && board[square(6, back)] == '.' &&
            !attacked(king, 1 - me) && !attacked(king + 1, 1 - me) && !attacked(king + 2, 1 - me))
            out.push_back({king, king + 2, 0});
        if (castle[me][0] && board[square(1, back)] == '.' && board[square(2, back)] == '.' &&
            board[square(3, back)] == '.' && !attacked(king, 1 - me) &&
            !attacked(king - 1, 1 - me) && !attacked(king - 2, 1 - me))
            out.push_back({king, king - 2, 0});
    }

    Game after(const Move& m) const {
        Game g = *this;
        const char piece = board[m.from];
        const char kind = kindOf(piece);
        if (kind == 'p' && m.from % 16 != m.to % 16 && board[m.to] == '.')
            g.board[square(m.to % 16, m.from / 16)] = '.'; // en passant
        g.board[m.to] = piece;
        g.board[m.from] = '.';
        if (m.promotion)
            g.board[m.to] = side == 0 ? char(std::toupper(m.promotion)) : m.promotion;
        if (kind == 'k' && (m.to - m.from == 2 || m.to - m.from == -2)) {
            const int rookFrom = m.to > m.from ? m.from + 3 : m.from - 4;
            const int rookTo = m.to > m.from ? m.from + 1 : m.from - 1;
            g.board[rookTo] = g.board[rookFrom];
            g.board[rookFrom] = '.';
        }
        if (kind == 'k')
            g.castle[side][0] = g.castle[side][1] = false;
        // A move from or onto a corner ends that corner's right: its rook moved or was taken.
        for (int colour = 0; colour < 2; ++colour)
            for (int wing = 0; wing < 2; ++wing) {
                const int corner = square(wing ? 7 : 0, colour == 0 ? 0 : 7);
                if (m.from == corner || m.to == corner)
                    g.castle[colour][wing] = false;
            }
        g.epFile = kind == 'p' && (m.to - m.from == 32 || m.to - m.from == -32) ? m.from % 16 : -1;
        g.side = 1 - side;
        return g;
    }

    std::vector<Move> legalMoves() const {
        std::vector<Move> pseudo, legal;
        pseudoMoves(pseudo);
        for (const Move& m : pseudo)
            if (!after(m).inCheck(side))
                legal.push_back(m);
        std::sort(legal.begin(), legal.end());
        return legal;
    }

    // The same text the game writes: halfmove clock and move number always "0 1", and an
    // en-passant square after every double step, capturable or not.
    std::string fen() const {
        std::string out;
        for (int rank = 7; rank >= 0; --rank) {
            int empty = 0;
            for (int file = 0; file < 8; ++file) {
                const char c = board[square(file, rank)];
                if (c == '.') {
                    ++empty;
                    continue;
                }
                if (empty)
                    out += char('0' + empty);
                empty = 0;
                out += c;
            }
            if (empty)
                out += char('0' + empty);
            if (rank)
                out += '/';
        }
        out += side ? " b " : " w ";
        std::string rights;
        if (castle[0][1])
            rights += 'K';
        if (castle[0][0])
            rights += 'Q';
        if (castle[1][1])
            rights += 'k';
        if (castle[1][0])
            rights += 'q';
        out += rights.empty() ? "-" : rights;
        out += ' ';
        if (epFile >= 0) {
            out += char('a' + epFile);
            out += side ? '3' : '6';
        } else {
            out += '-';
        }
        return out + " 0 1";
    }
};

// Reads the text the way the game's loader does: placement and side required, castling,
// en-passant and counter fields optional, anything after them ignored. False when it is not FEN;
// epRank gets the rank the en-passant field names (-1 none), which only legal() looks at.
inline bool parse(const std::string& text, Game& g, int& epRank) {
    epRank = -1;
    std::vector<std::string> fields;
    std::string field;
    for (char c : text + " ") {
        if (c == ' ' || (c >= '\t' && c <= '\r')) {
            if (!field.empty())
                fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    if (fields.size() < 2)
        return false;
    int rank = 7, file = 0;
    for (char c : fields[0]) {
        if (c == '/') {
            if (file != 8 || rank == 0)
                return false;
            --rank;
            file = 0;
        } else if (c >= '1' && c <= '8') {
            file += c - '0';
            if (file > 8)
                return false;
        } else if (std::string("pnbrqkPNBRQK").find(c) != std::string::npos && file < 8) {
            g.board[square(file++, rank)] = c;
        } else {
            return false;
        }
    }
    if (rank != 0 || file != 8 || (fields[1] != "w" && fields[1] != "b"))
        return false;
    g.side = fields[1] == "b";
    if (fields.size() > 2)
        for (char c : fields[2]) {
            if (c == 'K' || c == 'Q' || c == 'k' || c == 'q')
                g.castle[c == 'k' || c == 'q'][c == 'K' || c == 'k'] = true;
            else if (c != '-')
                return false;
        }
    if (fields.size() > 3 && fields[3] != "-") {
        const std::string& ep = fields[3];
        if (ep.size() != 2 || ep[0] < 'a' || ep[0] > 'h' || (ep[1] != '3' && ep[1] != '6'))
            return false;
        g.epFile = ep[0] - 'a';
        epRank = ep[1] - '1';
    }
    // The half-move clock and move number, when there, are one to five digits each.
    for (std::size_t i = 4; i < fields.size() && i < 6; ++i)
        if (fields[i].size() > 5 || fields[i].find_first_not_of("0123456789") != std::string::npos)
            return false;
    return true;
}

// Whether a game can have reached the parsed position, as far as the loader is required to
// tell: one king a side, no pawn on the first or last rank, castling rights only with king
// and rook at home, an en-passant square only behind a pawn of the side that just moved that
// came from its start square, and the side that just moved not in check.
inline bool legal(const Game& g, int epRank) {
    int kings[2] = {0, 0};
    for (int s = 0; s < 128; ++s) {
        if (!onBoard(s) || g.board[s] == '.')
            continue;
        const char kind = Game::kindOf(g.board[s]);
        if (kind == 'k')
            ++kings[Game::colourOf(g.board[s]) ? 1 : 0];
        if (kind == 'p' && (s / 16 == 0 || s / 16 == 7))
            return false;
    }
    if (kings[0] != 1 || kings[1] != 1)
        return false;
    for (int colour = 0; colour < 2; ++colour)
        for (int wing = 0; wing < 2; ++wing) {
            const int back = colour == 0 ? 0 : 7;
            const char king = colour == 0 ? 'K' : 'k', rook = colour == 0 ? 'R' : 'r';
            if (g.castle[colour][wing] &&
                (g.board[square(4, back)] != king || g.board[square(wing ? 7 : 0, back)] != rook))
                return false;
        }
    if (g.epFile >= 0) {
        const int mover = 1 - g.side;
        const int passed = mover == 0 ? 2 : 5, start = mover == 0 ? 1 : 6,
                  landed = mover == 0 ? 3 : 4;
        if (epRank != passed || g.board[square(g.epFile, passed)] != '.' ||
            g.board[square(g.epFile, start)] != '.' ||
            g.board[square(g.epFile, landed)] != (mover == 0 ? 'P' : 'p'))
            return false;
    }
    return !g.inCheck(1 - g.side);
}

// Whether every piece beyond a side's starting set can be a promoted pawn. Positions beyond
// that are outside what the fuzz target plays.
inline bool possibleMaterial(const Game& g) {
    for (int colour = 0; colour < 2; ++colour) {
        auto count = [&](char kind) {
            int n = 0;
            for (int s = 0; s < 128; ++s)
                n += onBoard(s) && g.own(s, colour) && Game::kindOf(g.board[s]) == kind;
            return n;
        };
        const int pawns = count('p');
        const int extra = std::max(0, count('n') - 2) + std::max(0, count('b') - 2) +
                          std::max(0, count('r') - 2) + std::max(0, count('q') - 1);
        if (pawns > 8 || extra > 8 - pawns)
            return false;
    }
    return true;
}

} // namespace oracle
