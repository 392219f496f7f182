// libFuzzer target for the version service's answer. Input: the first chunk the game reads
// from the socket. Whatever a server (or anything listening on its address) sends, the
// About window gets either the connection error or the four characters after the first
// blank line, each printable.
#include "version_query.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace korvane;

namespace {

[[noreturn]] void fail(const char* what, const std::string& shown) {
    std::fprintf(stderr, "version_fuzz: %s (got %zu characters)\n", what, shown.size());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const std::string shown = extractVersion(text, size);

    const char blank[] = "\r\n\r\n";
    const char* end = text + size;
    const char* body = std::search(text, end, blank, blank + 4);
    if (body == end || end - (body + 4) < 4) {
        if (shown != kConnectionError)
            fail("an answer without four characters after a blank line was not an error", shown);
        return 0;
    }
    body += 4;
    if (shown.size() != 4)
        fail("the version is not four characters", shown);
    for (std::size_t i = 0; i < 4; ++i) {
        const unsigned char c = static_cast<unsigned char>(body[i]);
        const char expected = c >= 0x20 && c <= 0x7e ? static_cast<char>(c) : '?';
        if (shown[i] != expected)
            fail("the version is not the body's first four characters, unprintable ones as '?'",
                 shown);
    }
    return 0;
}
