#pragma once

// Helpers for tests that run OpenAL Soft on its wave-file device: write the device
// configuration before the first OpenAL call, read back what the device captured.
#include <cstdint>
#include <string>
#include <vector>

struct Capture {
    bool valid = false;
    int channels = 0;
    int rate = 0;
    std::uint32_t declaredDataBytes = 0;
    std::uint32_t actualDataBytes = 0;
    std::vector<float> mono; // channels averaged, -1..1
};

// Parses a RIFF/WAVE file of 16-bit integer or 32-bit float samples (plain or extensible).
Capture readCapture(const std::string& path);

// Seconds between the first and last sample louder than `threshold`; 0 when all silent.
double audibleSpan(const Capture& c, float threshold = 0.01f);
float peakLevel(const Capture& c);

// A private directory for this process; created on first use.
const std::string& scratchDir();
// Writes an OpenAL Soft configuration into scratchDir() and points ALSOFT_CONF at it.
// `drivers` is the backend list; the wave backend writes to `waveFile`.
void configureOpenAL(const std::string& drivers, const std::string& waveFile);
// A constant 440 Hz tone of `seconds`, mono 16-bit 44100 Hz.
bool writeTone(const std::string& path, double seconds);
