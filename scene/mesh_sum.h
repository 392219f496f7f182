// The size and content hash of every generated mesh, written by the mesh generator into
// "meshes.sum" next to the meshes and checked by the game before the engine reads them:
// the engine trusts a mesh file's contents and crashes deep inside on a damaged one.
// Engine-free, so the generator and the tests share it.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace korvane {

inline const char* const kMeshSumFile = "meshes.sum";

struct MeshSum {
    std::string name;
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
};

// 64-bit FNV-1a: enough to tell a damaged file from the built one; not a defence against
// someone who means harm, who could as well replace the list.
inline std::uint64_t contentHash(const std::string& bytes) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

// One line per mesh: "name size hash" with the hash in hexadecimal.
inline std::string formatMeshSum(const MeshSum& sum) {
    std::ostringstream out;
    out << sum.name << ' ' << sum.size << ' ' << std::hex << sum.hash << '\n';
    return out.str();
}

// False when any line is not of that form (the list itself is damaged).
inline bool parseMeshSums(const std::string& text, std::vector<MeshSum>& sums) {
    sums.clear();
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        std::istringstream fields(line);
        MeshSum sum;
        std::string rest;
        if (!(fields >> sum.name >> sum.size >> std::hex >> sum.hash) || (fields >> rest))
            return false;
        sums.push_back(sum);
    }
    return !sums.empty();
}

// What is wrong with the meshes, or an empty text when every listed file is there with its
// recorded size and hash. `read` gives a file's bytes, false when it cannot be read.
template <typename Read> std::string meshDamage(const std::vector<MeshSum>& sums, Read read) {
    for (const MeshSum& sum : sums) {
        std::string bytes;
        if (!read(sum.name, bytes))
            return "the mesh file '" + sum.name + "' is missing";
        if (bytes.size() != sum.size || contentHash(bytes) != sum.hash)
            return "the mesh file '" + sum.name + "' is damaged (it is not the one the build made)";
    }
    return std::string();
}

} // namespace korvane
