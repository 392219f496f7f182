// Synthesises the game's two sound effects: a soft wooden click for picking a piece and a
// felt-damped knock for setting it down. Deterministic, so a rebuild gives identical files.
#include "wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

struct Partial {
    double frequency; // Hz at the start
    double endFrequency;
    double amplitude;
    double decay; // seconds for the amplitude to fall to 1/e
};

// Small LCG so the noise is the same on every machine.
struct Noise {
    std::uint32_t state = 0x2545F491u;
    double next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / static_cast<double>(1u << 24) * 2.0 - 1.0;
    }
};

std::vector<double> strike(double seconds, const std::vector<Partial>& partials,
                           double noiseAmplitude, double noiseDecay, double noiseCutoff,
                           double attack) {
    const int n = static_cast<int>(seconds * kRate);
    std::vector<double> out(n, 0.0);
    for (const Partial& p : partials) {
        double phase = 0.0;
        for (int i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) / kRate;
            // Pitch glides exponentially: a struck body relaxing as it settles.
            const double f = p.endFrequency + (p.frequency - p.endFrequency) * std::exp(-t / 0.04);
            phase += 2.0 * kPi * f / kRate;
            out[i] += p.amplitude * std::exp(-t / p.decay) * std::sin(phase);
        }
    }
    Noise noise;
    const double alpha = 1.0 - std::exp(-2.0 * kPi * noiseCutoff / kRate);
    double low = 0.0;
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        low += alpha * (noise.next() - low);
        out[i] += noiseAmplitude * std::exp(-t / noiseDecay) * low;
    }
    // Raised-cosine attack and a short fade-out keep the edges free of clicks of their own.
    const int attackSamples = std::max(1, static_cast<int>(attack * kRate));
    const int fadeSamples = static_cast<int>(0.010 * kRate);
    for (int i = 0; i < n; ++i) {
        double g = 1.0;
        if (i < attackSamples)
            g *= 0.5 - 0.5 * std::cos(kPi * i / attackSamples);
        if (i >= n - fadeSamples)
            g *= static_cast<double>(n - 1 - i) / fadeSamples;
        out[i] *= g;
    }
    return out;
}

std::vector<std::int16_t> toPcm(const std::vector<double>& signal, double peak) {
    double max = 0.0;
    for (double s : signal)
        max = std::max(max, std::fabs(s));
    const double scale = max > 0.0 ? peak * 32767.0 / max : 0.0;
    std::vector<std::int16_t> pcm(signal.size());
    for (std::size_t i = 0; i < signal.size(); ++i)
        pcm[i] = static_cast<std::int16_t>(std::lround(signal[i] * scale));
    return pcm;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: wavgen OUTPUT_DIR\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";

    // Hard wood: a few inharmonic modes that die within tens of milliseconds.
    const auto select = strike(
        0.14,
        {{980.0, 940.0, 1.0, 0.022}, {1830.0, 1790.0, 0.55, 0.012}, {3050.0, 3000.0, 0.25, 0.006}},
        0.35, 0.003, 4000.0, 0.0015);
    // Felt under the piece: low body with a drooping pitch, dull noise, soft attack.
    const auto move = strike(
        0.30, {{150.0, 96.0, 1.0, 0.070}, {320.0, 260.0, 0.45, 0.030}, {610.0, 560.0, 0.15, 0.012}},
        0.5, 0.020, 700.0, 0.004);

    bool ok = writeWavMono16(dir + "select.wav", toPcm(select, 0.45), kRate);
    ok = writeWavMono16(dir + "move.wav", toPcm(move, 0.55), kRate) && ok;
    if (!ok) {
        std::fprintf(stderr, "wavgen: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
