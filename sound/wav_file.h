#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes a plain PCM WAVE file, mono, 16-bit. False when the file cannot be written.
bool writeWavMono16(const std::string& path, const std::vector<std::int16_t>& samples,
                    int sampleRate);
