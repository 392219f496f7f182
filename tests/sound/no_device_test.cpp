// The sound manager on a machine without any usable audio device: the game must start,
// say so once, and stay silent without further errors.
#include "capture.h"
#include "game_sounds.h"
#include "sound_manager.h"

#include <gtest/gtest.h>

namespace {

TEST(NoDevice, InitReportsAndEveryLaterCallIsAQuietNoOp) {
    testing::internal::CaptureStdout();
    SoundManager& m = SoundManager::getSingleton();
    EXPECT_FALSE(m.init());
    EXPECT_FALSE(m.isInitialised());
    m.setAudioPath(scratchDir() + "/");
    ASSERT_TRUE(writeTone(scratchDir() + "/tone.wav", 0.1));
    int index = SoundManager::kNoSource;
    EXPECT_FALSE(m.loadSource("tone.wav", index, false));
    EXPECT_EQ(index, SoundManager::kNoSource);
    EXPECT_FALSE(m.setSound(index, 1, 0, 1));
    EXPECT_FALSE(m.playAudio(index));
    EXPECT_FALSE(m.playAudio(0));
    EXPECT_FALSE(m.stopAudio(0));
    EXPECT_FALSE(m.setListenerPosition({1, 2, 3}, {}, {}));
    EXPECT_TRUE(m.waitUntilQuiet(1000));
    SoundManager::destroySingleton();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "SoudManager Created.\n"
                   "SoundManager::init error : No sound device.\n"
                   "SoudManager Destroyed.\n");
}

TEST(NoDevice, GameStartsSilently) {
    testing::internal::CaptureStdout();
    GameSounds sounds;
    EXPECT_FALSE(sounds.start(true, "./media/sounds/", {0, 5, 5}, {}));
    EXPECT_EQ(sounds.selectSound(), SoundManager::kNoSource);
    EXPECT_EQ(sounds.moveSound(), SoundManager::kNoSource);
    sounds.playClick();
    sounds.playAtSquare(GameSounds::Move, 4, 4);
    sounds.followCamera({1, 1, 1}, {});
    sounds.release();
    sounds.release();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("SoundManager::init error : No sound device.\n"), std::string::npos);
    EXPECT_EQ(out.find("ERROR"), std::string::npos) << out;
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // A backend list naming nothing that exists leaves OpenAL without any device.
    configureOpenAL("no-such-backend", scratchDir() + "/never.wav");
    return RUN_ALL_TESTS();
}
