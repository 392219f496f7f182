#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <string>

// Positions and orientations as the camera reports them, without pulling the engine in.
struct SoundVec3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

// Unit quaternion, w first like the engine's.
struct SoundQuat {
    float w = 1.0f, x = 0.0f, y = 0.0f, z = 0.0f;
};

// Rotates v by q (q assumed normalised).
SoundVec3 rotateByQuat(const SoundQuat& q, const SoundVec3& v);

// The single owner of the OpenAL device and context, its 16 sources and 64 buffers, and the
// cache that maps file names to loaded buffers. Every failure is one line on standard output
// beginning "ERROR SoundManager::"; nothing throws.
class SoundManager {
  public:
    static constexpr int kMaxSources = 16;
    static constexpr int kMaxBuffers = 64;
    static constexpr std::size_t kMaxNameLength = 40;
    // Initial value for a caller's source index: every play/position call refuses it.
    static constexpr int kNoSource = -1;

    // Creates the instance on first use.
    static SoundManager& getSingleton();
    // The instance if one was created, otherwise null; never creates one.
    static SoundManager* getSingletonPtr();
    // Destroys the instance (releasing OpenAL) if there is one.
    static void destroySingleton();

    virtual ~SoundManager();
    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;

    bool init();
    void setAudioPath(const std::string& path) { audioPath_ = path; }
    const std::string& audioPath() const { return audioPath_; }

    // Binds a free source to the buffer of `name` (loaded once, shared by later calls).
    bool loadSource(const std::string& name, int& index, bool loop);
    bool setSound(int index, float x, float y, float z);
    // Restarts the effect from its beginning when it is still playing.
    bool playAudio(int index);
    bool stopAudio(int index);
    bool setListenerPosition(const SoundVec3& position, const SoundVec3& velocity,
                             const SoundQuat& orientation);
    // True when an OpenAL error was pending; prints the labelled diagnostic line.
    bool testALError(const char* label);
    bool isOggExtensionPresent();

    int findBuffer(const std::string& name) const;
    int loadAudio(const std::string& name);
    bool loadWAV(ALuint buffer, const std::string& name);

    // Blocks until no source is playing or `maxMillis` has passed; true when quiet.
    // Lets a caller release the device without cutting off an effect that just started.
    bool waitUntilQuiet(int maxMillis);

    bool isInitialised() const { return initialised_; }
    bool isEAXPresent() const { return eaxPresent_; }
    int sourcesInUse() const { return sourcesInUse_; }
    int buffersInUse() const { return buffersInUse_; }
    // OpenAL names, 0 for an index out of range.
    ALuint sourceName(int index) const;
    ALuint bufferName(int slot) const;
    // The buffer a source plays, or 0.
    ALuint sourceBuffer(int index) const;

  private:
    SoundManager();
    bool validSource(int index) const;
    void releaseOpenAL();

    bool eaxPresent_ = false;
    bool initialised_ = false;
    ALCdevice* device_ = nullptr;
    ALCcontext* context_ = nullptr;
    bool alutReady_ = false;
    std::string audioPath_;
    SoundVec3 listenerPosition_;
    SoundVec3 listenerVelocity_;
    float listenerOrientation_[6] = {0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};
    int sourcesInUse_ = 0;
    ALuint sources_[kMaxSources] = {};
    bool sourceUsed_[kMaxSources] = {};
    int buffersInUse_ = 0;
    ALuint buffers_[kMaxBuffers] = {};
    bool bufferUsed_[kMaxBuffers] = {};
    std::string bufferFileNames_[kMaxBuffers];
};
