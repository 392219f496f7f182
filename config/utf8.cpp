#include "utf8.h"

namespace korvane {

Utf8Step nextUtf8Character(const std::string& s, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = at(i);
    if (c < 0x80)
        return {1, true};
    // The allowed range of the second byte is what rules out overlong forms, surrogates and
    // code points past U+10FFFF.
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0)
            lo = 0xA0;
        else if (c == 0xED)
            hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0)
            lo = 0x90;
        else if (c == 0xF4)
            hi = 0x8F;
    } else {
        return {1, false};
    }
    if (i + 1 >= s.size() || at(i + 1) < lo || at(i + 1) > hi)
        return {1, false};
    for (std::size_t k = 2; k < n; ++k)
        if (i + k >= s.size() || (at(i + k) & 0xC0) != 0x80)
            return {k, false};
    return {n, true};
}

std::string repairUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const Utf8Step step = nextUtf8Character(text, i);
        if (step.valid)
            out.append(text, i, step.length);
        else
            out += kReplacementCharacter;
        i += step.length;
    }
    return out;
}

} // namespace korvane
