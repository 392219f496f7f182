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

} // namespace korvane
