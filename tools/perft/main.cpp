// Prints the perft node count of a FEN position as its last line; --divide lists the count
// under every first move before it.
#include "fen.h"
#include "perft.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    using namespace korvane;
    bool divide = false;
    const char* args[2] = {nullptr, nullptr};
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--divide") == 0)
            divide = true;
        else if (positional < 2)
            args[positional++] = argv[i];
        else
            positional = 3;
    }
    if (positional != 2) {
        std::fprintf(stderr, "usage: korvane-perft [--divide] FEN DEPTH\n");
        return 2;
    }
    char* end = nullptr;
    const long depth = std::strtol(args[1], &end, 10);
    if (!end || *end || depth < 0 || depth > 12) {
        std::fprintf(stderr, "korvane-perft: depth must be a number from 0 to 12\n");
        return 2;
    }

    static Position position;
    Turn sideToMove = Turn::White;
    std::string error;
    if (!loadFen(position, sideToMove, args[0], &error)) {
        std::fprintf(stderr, "korvane-perft: %s\n", error.c_str());
        return 1;
    }
    if (divide) {
        std::uint64_t total = 0;
        for (const DivideEntry& e : perftDivide(position, sideToMove, int(depth))) {
            std::printf("%s: %llu\n", e.move.c_str(), static_cast<unsigned long long>(e.nodes));
            total += e.nodes;
        }
        std::printf("%llu\n", static_cast<unsigned long long>(total));
    } else {
        std::printf("%llu\n",
                    static_cast<unsigned long long>(perft(position, sideToMove, int(depth))));
    }
    return 0;
}
