// Prints what the game pays per effect and for start-up loading, on the null device.
// Usage: korvane_sound_bench [iterations]
#include "capture.h"
#include "game_sounds.h"
#include "sound_manager.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const int iterations = argc > 1 ? std::atoi(argv[1]) : 20000;
    configureOpenAL("null", scratchDir() + "/unused.wav");
    using Clock = std::chrono::steady_clock;
    auto micros = [](Clock::duration d) {
        return std::chrono::duration<double, std::micro>(d).count();
    };

    auto t0 = Clock::now();
    GameSounds sounds;
    const bool ok = sounds.start(true, KORVANE_TEST_SOUNDS_DIR "/", {}, {});
    auto t1 = Clock::now();
    if (!ok) {
        std::printf("sound start-up failed\n");
        return 1;
    }
    std::printf("start-up (device, context, two effects): %.1f us\n", micros(t1 - t0));

    t0 = Clock::now();
    for (int i = 0; i < iterations; ++i)
        sounds.playAtSquare(GameSounds::Select, i & 7, (i >> 3) & 7);
    t1 = Clock::now();
    std::printf("play effect (position + restart): %.2f us per call over %d calls\n",
                micros(t1 - t0) / iterations, iterations);

    t0 = Clock::now();
    for (int i = 0; i < iterations; ++i)
        sounds.followCamera({static_cast<float>(i & 15), 5.0f, 4.0f}, {0.9f, 0.1f, 0.4f, 0.1f});
    t1 = Clock::now();
    std::printf("listener update: %.2f us per call\n", micros(t1 - t0) / iterations);

    t0 = Clock::now();
    sounds.release(0);
    t1 = Clock::now();
    std::printf("release: %.1f us\n", micros(t1 - t0));
    return 0;
}
