#include "capture.h"

#include "wav_file.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {
std::uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
} // namespace

Capture readCapture(const std::string& path) {
    Capture c;
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return c;
    int format = 0, bits = 0;
    std::size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        const std::uint32_t size = le32(&bytes[pos + 4]);
        const std::size_t body = pos + 8;
        if (std::memcmp(&bytes[pos], "fmt ", 4) == 0 && body + 16 <= bytes.size()) {
            format = le16(&bytes[body]);
            c.channels = le16(&bytes[body + 2]);
            c.rate = static_cast<int>(le32(&bytes[body + 4]));
            bits = le16(&bytes[body + 14]);
            if (format == 0xFFFE && body + 26 <= bytes.size())
                format = le16(&bytes[body + 24]);
        } else if (std::memcmp(&bytes[pos], "data", 4) == 0) {
            c.declaredDataBytes = size;
            c.actualDataBytes = static_cast<std::uint32_t>(bytes.size() - body);
            const std::size_t usable = std::min<std::size_t>(size, bytes.size() - body);
            const int step = bits / 8;
            if (c.channels <= 0 || !((format == 1 && bits == 16) || (format == 3 && bits == 32)))
                return c;
            const std::size_t frames = usable / (step * c.channels);
            c.mono.resize(frames);
            for (std::size_t f = 0; f < frames; ++f) {
                float sum = 0.0f;
                for (int ch = 0; ch < c.channels; ++ch) {
                    const unsigned char* p = &bytes[body + (f * c.channels + ch) * step];
                    if (format == 1) {
                        sum += static_cast<std::int16_t>(le16(p)) / 32768.0f;
                    } else {
                        std::uint32_t u = le32(p);
                        float v;
                        std::memcpy(&v, &u, 4);
                        sum += v;
                    }
                }
                c.mono[f] = sum / c.channels;
            }
            c.valid = true;
            return c;
        }
        pos = body + size + (size & 1);
    }
    return c;
}

double audibleSpan(const Capture& c, float threshold) {
    long first = -1, last = -1;
    for (std::size_t i = 0; i < c.mono.size(); ++i) {
        if (std::fabs(c.mono[i]) > threshold) {
            if (first < 0)
                first = static_cast<long>(i);
            last = static_cast<long>(i);
        }
    }
    if (first < 0 || c.rate <= 0)
        return 0.0;
    return static_cast<double>(last - first) / c.rate;
}

float peakLevel(const Capture& c) {
    float peak = 0.0f;
    for (float s : c.mono)
        peak = std::max(peak, std::fabs(s));
    return peak;
}

const std::string& scratchDir() {
    // Leaked on purpose: the exit handler below still needs it after static destruction.
    static const std::string* dir = [] {
        std::string templ = "/tmp/korvane-sound-test-XXXXXX";
        std::vector<char> buf(templ.begin(), templ.end());
        buf.push_back('\0');
        const char* made = mkdtemp(buf.data());
        if (made == nullptr)
            return new std::string("/tmp");
        // Every test closes the device before exit, so the capture is complete by then.
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchDir(), ignored);
        });
        return new std::string(made);
    }();
    return *dir;
}

void configureOpenAL(const std::string& drivers, const std::string& waveFile) {
    const std::string conf = scratchDir() + "/alsoft.conf";
    std::FILE* f = std::fopen(conf.c_str(), "w");
    if (f != nullptr) {
        std::fprintf(f,
                     "[general]\ndrivers = %s\nchannels = stereo\nsample-type = int16\n"
                     "frequency = 44100\n\n[wave]\nfile = %s\n",
                     drivers.c_str(), waveFile.c_str());
        std::fclose(f);
    }
    setenv("ALSOFT_CONF", conf.c_str(), 1);
    // A driver list in the environment would override the file.
    unsetenv("ALSOFT_DRIVERS");
}

bool writeTone(const std::string& path, double seconds) {
    const int rate = 44100;
    std::vector<std::int16_t> s(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>(12000.0 * std::sin(2.0 * M_PI * 440.0 * i / rate));
    return writeWavMono16(path, s, rate);
}
