#pragma once

#include "sound_manager.h"

#include <string>

// What the game needs from sound: the two effects, the listener on the camera, and a clean
// end. When sounds are off at start-up nothing here touches OpenAL, not even to create the
// manager, so a machine without audio costs nothing.
class GameSounds {
  public:
    enum Effect : int { Select = 0, Move = 1 };

    GameSounds() = default;
    ~GameSounds() { release(); }
    GameSounds(const GameSounds&) = delete;
    GameSounds& operator=(const GameSounds&) = delete;

    // With `enabled` false this does nothing and returns false. Otherwise it creates and
    // initialises the manager, loads "select.wav" and "move.wav" from `audioPath` (e.g.
    // "./media/sounds/") and puts the listener on the camera. Returns true when both effects
    // are ready; on failure the game simply stays silent.
    bool start(bool enabled, const std::string& audioPath, const SoundVec3& cameraPosition,
               const SoundQuat& cameraOrientation);

    // Plays an effect at a world position; a square's centre is (rank + 0.5, 0, file + 0.5).
    void play(Effect effect, float x, float y, float z);
    void playAtSquare(Effect effect, int file, int rank) {
        play(effect, rank + 0.5f, 0.0f, file + 0.5f);
    }
    // GUI clicks sound at the origin.
    void playClick() { play(Select, 0.0f, 0.0f, 0.0f); }
    // Keeps the listener on the camera, with zero velocity.
    void followCamera(const SoundVec3& position, const SoundQuat& orientation);

    // Lets an effect that is still playing finish (at most `maxMillis`), then releases the
    // device. Safe to call more than once and when sound never started.
    void release(int maxMillis = 1500);

    bool active() const { return manager_ != nullptr; }
    int selectSound() const { return selectSound_; }
    int moveSound() const { return moveSound_; }

  private:
    SoundManager* manager_ = nullptr;
    int selectSound_ = SoundManager::kNoSource;
    int moveSound_ = SoundManager::kNoSource;
};
