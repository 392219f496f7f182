// Runs the sound manager on OpenAL Soft's wave-file device, which writes everything mixed into
// a file, so the tests can check what would have been heard.
#include "capture.h"
#include "game_sounds.h"
#include "sound_manager.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>

namespace {

std::string waveFile() {
    return scratchDir() + "/captured.wav";
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

class WaveDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        std::remove(waveFile().c_str());
        dir_ = scratchDir() + "/";
        ASSERT_TRUE(writeTone(dir_ + "tone.wav", 0.4));
    }
    void TearDown() override { SoundManager::destroySingleton(); }

    SoundManager& startManager() {
        SoundManager& m = SoundManager::getSingleton();
        EXPECT_TRUE(m.init());
        m.setAudioPath(dir_);
        return m;
    }
    // Closing the device finishes the file; only then is it complete.
    Capture finish() {
        SoundManager::destroySingleton();
        return readCapture(waveFile());
    }
    int playingSources(SoundManager& m) {
        int n = 0;
        for (int i = 0; i < SoundManager::kMaxSources; ++i) {
            ALint state = 0;
            alGetSourcei(m.sourceName(i), AL_SOURCE_STATE, &state);
            n += state == AL_PLAYING;
        }
        return n;
    }

    std::string dir_;
};

TEST_F(WaveDevice, CreationAndInitPrintTheirLinesOnce) {
    testing::internal::CaptureStdout();
    SoundManager& m = SoundManager::getSingleton();
    EXPECT_TRUE(m.init());
    EXPECT_TRUE(m.init());
    EXPECT_FALSE(m.isEAXPresent());
    SoundManager::destroySingleton();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find("SoudManager Created.\n"), 0u) << out;
    const auto first = out.find("SoundManager initialised.\n\n");
    ASSERT_NE(first, std::string::npos) << out;
    EXPECT_EQ(out.find("SoundManager initialised.", first + 1), std::string::npos) << out;
    EXPECT_NE(out.find("SoudManager Destroyed.\n"), std::string::npos) << out;
    EXPECT_EQ(SoundManager::getSingletonPtr(), nullptr);
}

TEST_F(WaveDevice, PlayedEffectReachesTheDevice) {
    SoundManager& m = startManager();
    int tone = SoundManager::kNoSource;
    ASSERT_TRUE(m.loadSource("tone.wav", tone, false));
    EXPECT_TRUE(m.setSound(tone, 3.5f, 0.0f, 4.5f));
    ALfloat pos[3] = {};
    alGetSourcefv(m.sourceName(tone), AL_POSITION, pos);
    EXPECT_FLOAT_EQ(pos[0], 3.5f);
    EXPECT_FLOAT_EQ(pos[2], 4.5f);
    EXPECT_TRUE(m.playAudio(tone));
    sleepMs(600);
    const Capture c = finish();
    ASSERT_TRUE(c.valid);
    EXPECT_GT(peakLevel(c), 0.05f);
    EXPECT_NEAR(audibleSpan(c), 0.4, 0.06);
}

TEST_F(WaveDevice, PlayingAgainRestartsTheSameSourceInsteadOfOverlapping) {
    SoundManager& m = startManager();
    int tone = SoundManager::kNoSource;
    ASSERT_TRUE(m.loadSource("tone.wav", tone, false));
    ASSERT_TRUE(m.playAudio(tone));
    const auto firstPlay = std::chrono::steady_clock::now();
    sleepMs(200);
    ALint before = 0;
    alGetSourcei(m.sourceName(tone), AL_SAMPLE_OFFSET, &before);
    ASSERT_GT(before, 44100 / 20); // well into the effect
    ASSERT_TRUE(m.playAudio(tone));
    const double gap =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - firstPlay).count();
    ALint after = 0, state = 0;
    alGetSourcei(m.sourceName(tone), AL_SAMPLE_OFFSET, &after);
    alGetSourcei(m.sourceName(tone), AL_SOURCE_STATE, &state);
    EXPECT_LT(after, before);
    EXPECT_EQ(state, AL_PLAYING);
    EXPECT_EQ(playingSources(m), 1);
    sleepMs(800);
    const Capture c = finish();
    ASSERT_TRUE(c.valid);
    // First play cut after `gap`, then the whole 0.4 s again: one continuous sound,
    // never louder than one tone (two overlapping copies would add up).
    EXPECT_NEAR(audibleSpan(c), gap + 0.4, 0.1) << "gap " << gap;
    EXPECT_LT(peakLevel(c), 0.45f);
}

TEST_F(WaveDevice, SameFileSharesOneBuffer) {
    SoundManager& m = startManager();
    int a = SoundManager::kNoSource, b = SoundManager::kNoSource;
    ASSERT_TRUE(m.loadSource("tone.wav", a, false));
    ASSERT_TRUE(m.loadSource("tone.wav", b, true));
    EXPECT_NE(a, b);
    EXPECT_EQ(m.buffersInUse(), 1);
    EXPECT_EQ(m.sourcesInUse(), 2);
    EXPECT_NE(m.sourceBuffer(a), 0u);
    EXPECT_EQ(m.sourceBuffer(a), m.sourceBuffer(b));
    EXPECT_EQ(m.findBuffer("tone.wav"), 0);
    EXPECT_EQ(m.findBuffer("--"), -1);
    ALint looping = 0;
    alGetSourcei(m.sourceName(b), AL_LOOPING, &looping);
    EXPECT_EQ(looping, AL_TRUE);
    alGetSourcei(m.sourceName(a), AL_LOOPING, &looping);
    EXPECT_EQ(looping, AL_FALSE);
}

TEST_F(WaveDevice, SeventeenthSourceAndLongNamesAreRefused) {
    SoundManager& m = startManager();
    const std::string forty = std::string(36, 'n') + ".wav";
    const std::string fortyOne = std::string(37, 'n') + ".wav";
    ASSERT_TRUE(writeTone(dir_ + forty, 0.05));
    ASSERT_TRUE(writeTone(dir_ + fortyOne, 0.05));
    int index = SoundManager::kNoSource;
    EXPECT_FALSE(m.loadSource(fortyOne, index, false));
    EXPECT_EQ(index, SoundManager::kNoSource);
    EXPECT_EQ(m.buffersInUse(), 0);
    EXPECT_FALSE(m.loadSource("", index, false));
    ASSERT_TRUE(m.loadSource(forty, index, false));
    EXPECT_EQ(index, 0);
    for (int i = 1; i < SoundManager::kMaxSources; ++i) {
        ASSERT_TRUE(m.loadSource("tone.wav", index, false)) << i;
        EXPECT_EQ(index, i);
    }
    int seventeenth = SoundManager::kNoSource;
    EXPECT_FALSE(m.loadSource("tone.wav", seventeenth, false));
    EXPECT_EQ(seventeenth, SoundManager::kNoSource);
    EXPECT_EQ(m.sourcesInUse(), SoundManager::kMaxSources);
    EXPECT_EQ(m.buffersInUse(), 2);
}

TEST_F(WaveDevice, SixtyFifthBufferIsRefused) {
    SoundManager& m = startManager();
    // Names without a known extension take a slot with an empty buffer, so no files needed.
    for (int i = 0; i < SoundManager::kMaxBuffers; ++i)
        ASSERT_EQ(m.loadAudio("clip" + std::to_string(i)), i);
    EXPECT_EQ(m.loadAudio("clip64"), -1);
    EXPECT_EQ(m.buffersInUse(), SoundManager::kMaxBuffers);
    int index = SoundManager::kNoSource;
    EXPECT_FALSE(m.loadSource("tone.wav", index, false));
    EXPECT_TRUE(m.loadSource("clip3", index, false)); // cached, needs no new buffer
}

TEST_F(WaveDevice, MissingOrCorruptFilesAreRefusedWithoutTakingSlots) {
    SoundManager& m = startManager();
    {
        std::FILE* f = std::fopen((dir_ + "broken.wav").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("RIFF\x10\x00\x00\x00WAVEfmt garbage", f);
        std::fclose(f);
    }
    testing::internal::CaptureStdout();
    int index = SoundManager::kNoSource;
    EXPECT_FALSE(m.loadSource("absent.wav", index, false));
    EXPECT_FALSE(m.loadSource("broken.wav", index, false));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(index, SoundManager::kNoSource);
    EXPECT_EQ(m.buffersInUse(), 0);
    EXPECT_EQ(m.sourcesInUse(), 0);
    EXPECT_NE(out.find("ERROR SoundManager::loadWAV::alutLoadWAVFile: "), std::string::npos) << out;
    // A later good file still gets the first slots.
    ASSERT_TRUE(m.loadSource("tone.wav", index, false));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(m.findBuffer("tone.wav"), 0);
}

TEST_F(WaveDevice, UnsetOrForeignIndicesNeverReachOpenAL) {
    SoundManager& m = startManager();
    int tone = SoundManager::kNoSource;
    ASSERT_TRUE(m.loadSource("tone.wav", tone, false));
    testing::internal::CaptureStdout();
    for (int bad : {SoundManager::kNoSource, -100, 1, 15, 16, 1000}) {
        EXPECT_FALSE(m.setSound(bad, 1, 2, 3)) << bad;
        EXPECT_FALSE(m.playAudio(bad)) << bad;
        EXPECT_FALSE(m.stopAudio(bad)) << bad;
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(playingSources(m), 0);
}

TEST_F(WaveDevice, ErrorTestPrintsLabelledLinesAndClearsTheError) {
    SoundManager& m = startManager();
    testing::internal::CaptureStdout();
    EXPECT_FALSE(m.testALError("quiet"));
    alSourcePlay(0x7fffffff);
    EXPECT_TRUE(m.testALError("playAudio::alSourcePlay: "));
    EXPECT_FALSE(m.testALError("again"));
    alListenerf(0x7777, 1.0f);
    EXPECT_TRUE(m.testALError("enum"));
    alSourcef(m.sourceName(0), AL_GAIN, -1.0f);
    EXPECT_TRUE(m.testALError("value"));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "ERROR SoundManager::playAudio::alSourcePlay:  Invalid Name\n"
                   "ERROR SoundManager::enum Invalid Enum\n"
                   "ERROR SoundManager::value Invalid Value\n");
}

TEST_F(WaveDevice, ListenerFollowsPositionAndOrientation) {
    SoundManager& m = startManager();
    const float h = std::sqrt(0.5f);
    // A quarter turn about +Y: looking down -X instead of -Z.
    EXPECT_TRUE(m.setListenerPosition({4.0f, 10.0f, -2.0f}, {}, {h, 0.0f, h, 0.0f}));
    ALfloat pos[3] = {}, orient[6] = {};
    alGetListenerfv(AL_POSITION, pos);
    alGetListenerfv(AL_ORIENTATION, orient);
    EXPECT_FLOAT_EQ(pos[0], 4.0f);
    EXPECT_FLOAT_EQ(pos[1], 10.0f);
    EXPECT_FLOAT_EQ(pos[2], -2.0f);
    const float expected[6] = {-1, 0, 0, 0, 1, 0};
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(orient[i], expected[i], 1e-5f) << i;
    // Pitched down 90 degrees about +X: looking at -Y, up along -Z.
    EXPECT_TRUE(m.setListenerPosition({}, {}, {h, -h, 0.0f, 0.0f}));
    alGetListenerfv(AL_ORIENTATION, orient);
    const float down[6] = {0, -1, 0, 0, 0, -1};
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(orient[i], down[i], 1e-5f) << i;
}

TEST_F(WaveDevice, GameEffectsClickAndSelectionAreHeard) {
    GameSounds sounds;
    ASSERT_TRUE(sounds.start(true, KORVANE_TEST_SOUNDS_DIR "/", {4, 8, 12}, {}));
    EXPECT_TRUE(sounds.active());
    EXPECT_NE(sounds.selectSound(), sounds.moveSound());
    SoundManager* m = SoundManager::getSingletonPtr();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->buffersInUse(), 2);

    sounds.playClick();
    ALfloat pos[3] = {9, 9, 9};
    alGetSourcefv(m->sourceName(sounds.selectSound()), AL_POSITION, pos);
    EXPECT_EQ(pos[0], 0.0f);
    EXPECT_EQ(pos[2], 0.0f);
    sleepMs(300);
    // Piece on file c (2), rank 5: stands at (5.5, 0, 2.5).
    sounds.playAtSquare(GameSounds::Select, 2, 5);
    alGetSourcefv(m->sourceName(sounds.selectSound()), AL_POSITION, pos);
    EXPECT_FLOAT_EQ(pos[0], 5.5f);
    EXPECT_FLOAT_EQ(pos[2], 2.5f);
    sleepMs(300);
    sounds.release();
    EXPECT_EQ(SoundManager::getSingletonPtr(), nullptr);
    const Capture c = readCapture(waveFile());
    ASSERT_TRUE(c.valid);
    EXPECT_GT(peakLevel(c), 0.05f);
    // Two separate clicks about 0.3 s apart.
    EXPECT_GT(audibleSpan(c), 0.3);
}

TEST_F(WaveDevice, ReleaseLetsAJustStartedEffectFinish) {
    GameSounds sounds;
    ASSERT_TRUE(sounds.start(true, KORVANE_TEST_SOUNDS_DIR "/", {}, {}));
    sounds.playAtSquare(GameSounds::Move, 4, 3);
    sounds.release();
    const Capture c = readCapture(waveFile());
    ASSERT_TRUE(c.valid);
    // The move effect lasts 0.3 s; its decaying tail must be in the file, and the header
    // must describe the data that was written.
    EXPECT_GT(audibleSpan(c, 0.001f), 0.2);
    EXPECT_EQ(c.declaredDataBytes, c.actualDataBytes);
}

TEST_F(WaveDevice, SoundsOffTouchesNoOpenAL) {
    GameSounds sounds;
    EXPECT_FALSE(sounds.start(false, KORVANE_TEST_SOUNDS_DIR "/", {}, {}));
    sounds.playClick();
    sounds.playAtSquare(GameSounds::Move, 1, 1);
    sounds.followCamera({1, 2, 3}, {});
    EXPECT_FALSE(sounds.active());
    EXPECT_EQ(SoundManager::getSingletonPtr(), nullptr);
    sounds.release();
    // The wave device creates its file when it is opened: no file, no device.
    EXPECT_NE(access(waveFile().c_str(), F_OK), 0);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Before the first OpenAL call: the library reads its configuration once.
    configureOpenAL("wave", waveFile());
    return RUN_ALL_TESTS();
}
