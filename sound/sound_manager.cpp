#include "sound_manager.h"

#include <AL/alut.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {
std::unique_ptr<SoundManager>& instanceSlot() {
    static std::unique_ptr<SoundManager> instance;
    return instance;
}
} // namespace

SoundVec3 rotateByQuat(const SoundQuat& q, const SoundVec3& v) {
    // v' = v + 2w(u x v) + 2 u x (u x v), u the vector part of q.
    const float ux = q.x, uy = q.y, uz = q.z;
    const float cx = uy * v.z - uz * v.y;
    const float cy = uz * v.x - ux * v.z;
    const float cz = ux * v.y - uy * v.x;
    const float ccx = uy * cz - uz * cy;
    const float ccy = uz * cx - ux * cz;
    const float ccz = ux * cy - uy * cx;
    return {v.x + 2.0f * (q.w * cx + ccx), v.y + 2.0f * (q.w * cy + ccy),
            v.z + 2.0f * (q.w * cz + ccz)};
}

SoundManager& SoundManager::getSingleton() {
    auto& slot = instanceSlot();
    if (!slot)
        slot.reset(new SoundManager());
    return *slot;
}

SoundManager* SoundManager::getSingletonPtr() {
    return instanceSlot().get();
}

void SoundManager::destroySingleton() {
    instanceSlot().reset();
}

SoundManager::SoundManager() {
    for (auto& name : bufferFileNames_)
        name = "--";
    std::printf("SoudManager Created.\n");
    std::fflush(stdout);
}

SoundManager::~SoundManager() {
    releaseOpenAL();
    std::printf("SoudManager Destroyed.\n");
    std::fflush(stdout);
}

void SoundManager::releaseOpenAL() {
    // Only a manager that got as far as a current context owns names to delete; touching
    // OpenAL without one would merely produce errors.
    if (context_ != nullptr) {
        if (initialised_) {
            for (int i = 0; i < kMaxSources; ++i)
                alSourceStop(sources_[i]);
            alDeleteSources(kMaxSources, sources_);
            alDeleteBuffers(kMaxBuffers, buffers_);
            alGetError();
        }
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(context_);
        context_ = nullptr;
    }
    // Closing the device is what lets a file-writing device finish its output.
    if (device_ != nullptr) {
        alcCloseDevice(device_);
        device_ = nullptr;
    }
    if (alutReady_) {
        alutExit();
        alutReady_ = false;
    }
    initialised_ = false;
}

bool SoundManager::init() {
    if (initialised_)
        return true;

    device_ = alcOpenDevice(nullptr);
    if (device_ == nullptr) {
        std::printf("SoundManager::init error : No sound device.\n");
        std::fflush(stdout);
        return false;
    }
    context_ = alcCreateContext(device_, nullptr);
    if (context_ == nullptr) {
        std::printf("SoundManager::init error : No sound context.\n");
        std::fflush(stdout);
        releaseOpenAL();
        return false;
    }
    const bool current = alcMakeContextCurrent(context_) == ALC_TRUE;
    if (testALError("Init()") || !current) {
        std::printf("SoundManager::init error : could not make sound context current and "
                    "active.\n");
        std::fflush(stdout);
        releaseOpenAL();
        return false;
    }

    if (alIsExtensionPresent("EAX2.0") == AL_TRUE) {
        std::printf("EAX 2.0 Extension available\n");
        std::printf("... but not used.\n");
    }
    eaxPresent_ = false;
    isOggExtensionPresent();

    alGenBuffers(kMaxBuffers, buffers_);
    if (testALError("init::alGenBuffers:")) {
        releaseOpenAL();
        return false;
    }
    alGenSources(kMaxSources, sources_);
    if (testALError("init::alGenSources :")) {
        alDeleteBuffers(kMaxBuffers, buffers_);
        alGetError();
        releaseOpenAL();
        return false;
    }

    // ALUT only decodes files here; the context is ours.
    alutReady_ = alutInitWithoutContext(nullptr, nullptr) == AL_TRUE;
    if (!alutReady_)
        std::printf("ERROR SoundManager::init::alutInitWithoutContext: %s\n",
                    alutGetErrorString(alutGetError()));

    alListenerfv(AL_POSITION, &listenerPosition_.x);
    alListenerfv(AL_VELOCITY, &listenerVelocity_.x);
    alListenerfv(AL_ORIENTATION, listenerOrientation_);
    alListenerf(AL_GAIN, 1.0f);
    alGetError();

    initialised_ = true;
    std::printf("SoundManager initialised.\n\n");
    std::fflush(stdout);
    return true;
}

bool SoundManager::isOggExtensionPresent() {
    if (alIsExtensionPresent("AL_EXT_vorbis") == AL_TRUE)
        return true;
    std::printf("ERROR: SoundManager::isOggExtensionPresent : Ogg Vorbis extension not "
                "availablee!\n");
    std::fflush(stdout);
    return false;
}

bool SoundManager::testALError(const char* label) {
    const ALenum error = alGetError();
    if (error == AL_NO_ERROR)
        return false;
    switch (error) {
    case AL_INVALID_NAME:
        std::printf("ERROR SoundManager::%s Invalid Name\n", label);
        break;
    case AL_INVALID_ENUM:
        std::printf("ERROR SoundManager::%s Invalid Enum\n", label);
        break;
    case AL_INVALID_VALUE:
        std::printf("ERROR SoundManager::%s Invalid Value\n", label);
        break;
    case AL_INVALID_OPERATION:
        std::printf("ERROR SoundManager::%s Invalid Operation\n", label);
        break;
    case AL_OUT_OF_MEMORY:
        std::printf("ERROR SoundManager::%s Out Of Memory\n", label);
        break;
    default:
        std::printf("ERROR SoundManager::%s Unknown error (%i) case in testALError()\n", label,
                    static_cast<int>(error));
        break;
    }
    std::fflush(stdout);
    return true;
}

bool SoundManager::loadSource(const std::string& name, int& index, bool loop) {
    if (name.empty() || name.size() > kMaxNameLength || sourcesInUse_ >= kMaxSources)
        return false;
    // Without a context every call below would fail; refuse quietly, init already said why.
    if (!initialised_)
        return false;
    alGetError();

    int slot = findBuffer(name);
    if (slot < 0)
        slot = loadAudio(name);
    if (slot < 0)
        return false;

    int source = 0;
    while (source < kMaxSources && sourceUsed_[source])
        ++source;
    if (source == kMaxSources)
        return false;
    index = source;
    sourceUsed_[source] = true;
    ++sourcesInUse_;

    alSourcei(sources_[source], AL_BUFFER, static_cast<ALint>(buffers_[slot]));
    alSourcei(sources_[source], AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    // Position steers only the panning; effects stay equally loud anywhere on the board.
    alSourcef(sources_[source], AL_ROLLOFF_FACTOR, 0.0f);
    return !testALError("loadSource()::alSourcei");
}

int SoundManager::findBuffer(const std::string& name) const {
    for (int i = 0; i < kMaxBuffers; ++i)
        if (bufferUsed_[i] && bufferFileNames_[i] == name)
            return i;
    return -1;
}

int SoundManager::loadAudio(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength || buffersInUse_ >= kMaxBuffers ||
        !initialised_)
        return -1;
    int slot = 0;
    while (slot < kMaxBuffers && bufferUsed_[slot])
        ++slot;
    if (slot == kMaxBuffers)
        return -1;

    if (name.find(".wav") != std::string::npos) {
        std::printf(" ---> found Wav\n");
        std::fflush(stdout);
        if (!loadWAV(buffers_[slot], name))
            return -1;
    } else if (name.find(".ogg") != std::string::npos) {
        std::printf(" ---> found ogg\n");
    } else if (name.find(".au") != std::string::npos) {
        std::printf(" ---> found au\n");
    }
    std::fflush(stdout);

    bufferUsed_[slot] = true;
    bufferFileNames_[slot] = name;
    ++buffersInUse_;
    return slot;
}

bool SoundManager::loadWAV(ALuint buffer, const std::string& name) {
    alGetError();
    const std::string path = audioPath_ + name;
    ALenum format = 0;
    ALsizei size = 0;
    ALfloat frequency = 0.0f;
    ALvoid* data =
        alutReady_ ? alutLoadMemoryFromFile(path.c_str(), &format, &size, &frequency) : nullptr;
    // A missing or corrupt file is an ALUT error, which alGetError never sees.
    if (data == nullptr) {
        std::printf("ERROR SoundManager::loadWAV::alutLoadWAVFile:  %s (%s)\n",
                    alutReady_ ? alutGetErrorString(alutGetError()) : "ALUT not initialised",
                    path.c_str());
        std::fflush(stdout);
        return false;
    }
    if (testALError("loadWAV::alutLoadWAVFile: ")) {
        std::free(data);
        return false;
    }
    alBufferData(buffer, format, data, size, static_cast<ALsizei>(frequency));
    const bool bufferFailed = testALError("loadWAV::alBufferData: ");
    std::free(data);
    if (bufferFailed)
        return false;
    return !testALError("loadWAV::alutUnloadWAV: ");
}

bool SoundManager::validSource(int index) const {
    return initialised_ && index >= 0 && index < kMaxSources && sourceUsed_[index];
}

bool SoundManager::setSound(int index, float x, float y, float z) {
    if (!validSource(index))
        return false;
    const ALfloat position[3] = {x, y, z};
    alSourcefv(sources_[index], AL_POSITION, position);
    return !testALError("setSound::alSourcefv:AL_POSITION");
}

bool SoundManager::playAudio(int index) {
    if (!validSource(index))
        return false;
    alGetError();
    ALint state = 0;
    alGetSourcei(sources_[index], AL_SOURCE_STATE, &state);
    if (state == AL_PLAYING)
        stopAudio(index);
    alSourcePlay(sources_[index]);
    return !testALError("playAudio::alSourcePlay: ");
}

bool SoundManager::stopAudio(int index) {
    if (!validSource(index))
        return false;
    alGetError();
    alSourceStop(sources_[index]);
    return !testALError("stopAudio::alSourceStop ");
}

bool SoundManager::setListenerPosition(const SoundVec3& position, const SoundVec3& velocity,
                                       const SoundQuat& orientation) {
    // Called on every camera move, also after a failed init: stay silent then.
    if (!initialised_)
        return false;
    listenerPosition_ = position;
    listenerVelocity_ = velocity;
    const SoundVec3 at = rotateByQuat(orientation, {0.0f, 0.0f, -1.0f});
    const SoundVec3 up = rotateByQuat(orientation, {0.0f, 1.0f, 0.0f});
    const float orient[6] = {at.x, at.y, at.z, up.x, up.y, up.z};
    for (int i = 0; i < 6; ++i)
        listenerOrientation_[i] = orient[i];

    alListenerfv(AL_POSITION, &listenerPosition_.x);
    if (testALError("setListenerPosition::alListenerfv:AL_POSITION"))
        return false;
    alListenerfv(AL_VELOCITY, &listenerVelocity_.x);
    if (testALError("setListenerPosition::alListenerfv:AL_VELOCITY"))
        return false;
    alListenerfv(AL_ORIENTATION, listenerOrientation_);
    if (testALError("setListenerPosition::alListenerfv:AL_DIRECTION"))
        return false;
    alListenerf(AL_GAIN, 1.0f);
    return true;
}

bool SoundManager::waitUntilQuiet(int maxMillis) {
    if (!initialised_)
        return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMillis);
    for (;;) {
        bool playing = false;
        for (int i = 0; i < kMaxSources && !playing; ++i) {
            if (!sourceUsed_[i])
                continue;
            ALint state = 0;
            alGetSourcei(sources_[i], AL_SOURCE_STATE, &state);
            playing = state == AL_PLAYING;
        }
        alGetError();
        if (!playing)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

ALuint SoundManager::sourceName(int index) const {
    return index >= 0 && index < kMaxSources ? sources_[index] : 0;
}

ALuint SoundManager::bufferName(int slot) const {
    return slot >= 0 && slot < kMaxBuffers ? buffers_[slot] : 0;
}

ALuint SoundManager::sourceBuffer(int index) const {
    if (!validSource(index))
        return 0;
    ALint buffer = 0;
    alGetSourcei(sources_[index], AL_BUFFER, &buffer);
    alGetError();
    return static_cast<ALuint>(buffer);
}
