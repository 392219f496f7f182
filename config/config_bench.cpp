// Prints how long the store's operations take on a settings file of the shipped size, so a
// change that makes the settings dialog's OK (about fifteen rewrites) slow is noticed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "config_store.h"

namespace {

const char* const kSample = "[Video]\nRS=OpenGL\nW=1024\nH=768\nDepth=32\nAA=0\nFS=No\n"
                            "VSync=Yes\nShadows=true\n[Game]\nSounds=true\nFlipView=false\n"
                            "Highlighting=true\nLastMoveHighlighting=true\nCartoon=false\n"
                            "Lang=English\nPlayerName=Jan\nVersionHost=\n";

template <typename F> double microsecondsEach(int count, F&& f) {
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i)
        f(i);
    std::chrono::duration<double, std::micro> d = std::chrono::steady_clock::now() - t0;
    return d.count() / count;
}

} // namespace

int main() {
    char dir[] = "/tmp/korvane-bench-XXXXXX";
    if (!::mkdtemp(dir))
        return 1;
    const std::string file = std::string(dir) + "/config.cfg";
    std::ofstream(file) << kSample;

    using korvane::ConfigStore;
    volatile std::size_t sink = 0;
    double get = microsecondsEach(
        2000, [&](int) { sink = sink + ConfigStore::getValue("PlayerName", "Game", file).size(); });
    double set = microsecondsEach(
        200, [&](int i) { ConfigStore::setValue("W", i % 2 ? "800" : "1024", "Video", file); });
    double backup =
        microsecondsEach(200, [&](int) { ConfigStore::backupConfigFile(file, file + ".bak"); });

    std::printf("getValue: %.1f us per call\n", get);
    std::printf("setValue: %.1f us per call (settings OK, 15 keys: %.2f ms)\n", set,
                set * 15 / 1000);
    std::printf("backupConfigFile: %.1f us per call\n", backup);

    std::remove(file.c_str());
    std::remove((file + ".bak").c_str());
    ::rmdir(dir);
    return 0;
}
