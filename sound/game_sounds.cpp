#include "game_sounds.h"

bool GameSounds::start(bool enabled, const std::string& audioPath, const SoundVec3& cameraPosition,
                       const SoundQuat& cameraOrientation) {
    if (!enabled || manager_ != nullptr)
        return false;
    manager_ = &SoundManager::getSingleton();
    // Results are gathered but never stop start-up: a failed step leaves the indices at
    // kNoSource, which every play call refuses.
    bool ok = manager_->init();
    manager_->setAudioPath(audioPath);
    ok = manager_->loadSource("select.wav", selectSound_, false) && ok;
    ok = manager_->loadSource("move.wav", moveSound_, false) && ok;
    manager_->setListenerPosition(cameraPosition, SoundVec3{}, cameraOrientation);
    return ok;
}

void GameSounds::play(Effect effect, float x, float y, float z) {
    if (manager_ == nullptr)
        return;
    const int source = effect == Move ? moveSound_ : selectSound_;
    manager_->setSound(source, x, y, z);
    manager_->playAudio(source);
}

void GameSounds::followCamera(const SoundVec3& position, const SoundQuat& orientation) {
    if (manager_ == nullptr)
        return;
    manager_->setListenerPosition(position, SoundVec3{}, orientation);
}

void GameSounds::release(int maxMillis) {
    if (manager_ == nullptr)
        return;
    manager_->waitUntilQuiet(maxMillis);
    SoundManager::destroySingleton();
    manager_ = nullptr;
    selectSound_ = SoundManager::kNoSource;
    moveSound_ = SoundManager::kNoSource;
}
