#include "pick_names.h"

#include <cstdio>

namespace korvane {
namespace {

const char* const kKindPrefix[6] = {"Pawn", "Rook", "Knig", "Bish", "Quee", "King"};
// Pieces per kind and colour: eight pawns, ten of each officer (promotion reserves), one king.
const int kIndexCount[6] = {8, 10, 10, 10, 10, 1};

// Two decimal digits at name[pos], or -1.
int twoDigits(const std::string& name, size_t pos) {
    if (name.size() < pos + 2)
        return -1;
    const char a = name[pos], b = name[pos + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9')
        return -1;
    return (a - '0') * 10 + (b - '0');
}

} // namespace

std::string tileName(int square) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "Field_%02d", square);
    return buf;
}

std::string pieceName(int colour, int kind, int index) {
    if (kind < 0 || kind > 5)
        return std::string();
    char buf[24];
    std::snprintf(buf, sizeof buf, "%s%s_%02d", kKindPrefix[kind], colour == 1 ? "B" : "", index);
    return buf;
}

PickName parsePickName(const std::string& name) {
    PickName out;
    if (name.empty() || name == "Arrow")
        return out;
    out.type = PickName::Foreign;
    if (name.compare(0, 5, "Field") == 0) {
        const int square = twoDigits(name, 6);
        if (square >= 0 && square < 64) {
            out.type = PickName::Square;
            out.square = square;
        }
        return out;
    }
    for (int kind = 0; kind < 6; ++kind) {
        if (name.compare(0, 4, kKindPrefix[kind]) != 0)
            continue;
        const bool black = name.size() > 4 && name[4] == 'B';
        const int index = twoDigits(name, black ? 6 : 5);
        if (index < 0 || index >= kIndexCount[kind])
            return out;
        out.type = PickName::Piece;
        out.colour = black ? 1 : 0;
        out.kind = kind;
        out.index = index;
        return out;
    }
    return out;
}

} // namespace korvane
