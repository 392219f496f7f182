#include "state_probe.h"

#include <cstdio>

namespace korvane {

bool StateProbe::write(const std::string& text) const {
    std::FILE* f = std::fopen(tmp_.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !ok)
        return false;
    return std::rename(tmp_.c_str(), path_.c_str()) == 0;
}

std::string probeEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c != '\r')
            out += c;
    }
    return out;
}

} // namespace korvane
