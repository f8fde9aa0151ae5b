// The eight sound sets, their counting and playing.
#include "foundations/sounds.h"

#include "plat/backend.hpp"
#include "state/preference_switches.h"
#include "state/startup_paths.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

namespace {

constexpr int kNameBufferSize = 260;

struct SoundSetState {
    int count = 0;
    int last = -1;
};

SoundSetState gSets[kSoundSetCount];
bool gCounted = false;
char gNameBuffer[kNameBufferSize];

bool Readable(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return in.good();
}

// Members 1, 2, 3, ... present without a gap.
int CountMembers(const char* basePath) {
    int count = 0;
    for (int k = 1;; ++k) {
        const char* path = NumberedFileName(basePath, k);
        if (!path || !Readable(path))
            return count;
        ++count;
    }
}

void Play(SoundSet set, bool sync, bool warmUp) {
    if (!soundOn || !gCounted)
        return;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    SoundSetState& state = gSets[set];
    if (warmUp) {
        for (int i = 1; i <= std::rand() % 10; ++i)
            if (state.count != 0)
                std::rand();
    }
    state.last = DrawSoundMember(state.count, state.last, [] { return std::rand(); });
    if (!soundOn)
        return;
    const char* path = NumberedFileName(gTablePaths.sounds[set], state.last + 1);
    if (!path)
        return;
    if (sync)
        PlaySoundFileSync(path);
    else
        PlaySoundFile(path);
}

} // namespace

const char* NumberedFileName(const char* basePath, int n) {
    if (!basePath || basePath[0] == '\0')
        return nullptr;
    if (n == 0 || n == 1)
        return basePath;
    std::string base(basePath);
    std::size_t folderEnd = base.find_last_of("/\\");
    std::size_t nameStart = folderEnd == std::string::npos ? 0 : folderEnd + 1;
    std::size_t dot = base.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart)
        dot = base.size();
    std::snprintf(gNameBuffer, sizeof gNameBuffer, "%s%d%s", base.substr(0, dot).c_str(), n,
                  base.substr(dot).c_str());
    return gNameBuffer;
}

void CountSoundFiles() {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    for (SoundSet set : {kSoundError, kSoundBeer, kSoundInfo, kSoundQuestion, kSoundFitDone,
                         kSoundHi, kSoundBye, kSoundOk})
        gSets[set].count = CountMembers(gTablePaths.sounds[set]);
    gCounted = true;
}

void PlaySoundFile(const char* path) {
    if (soundOn && path)
        plat::GetBackend().playSound(path, false);
}

void PlaySoundFileSync(const char* path) {
    if (soundOn && path)
        plat::GetBackend().playSound(path, true);
}

void PlayErrorSound() {
    Play(kSoundError, false, false);
}
void PlayInfoSound() {
    Play(kSoundInfo, false, false);
}
void PlayQuestionSound() {
    Play(kSoundQuestion, false, false);
}
void PlayFitDoneSound() {
    Play(kSoundFitDone, false, false);
}
void PlayHiSound() {
    Play(kSoundHi, false, true);
}
void PlayByeSound() {
    Play(kSoundBye, true, false);
}
void PlayOkSound() {
    Play(kSoundOk, false, false);
}
void PlayBeerSound() {
    Play(kSoundBeer, false, false);
}

void MaybePlayInfoSound() {
    static const float kChance = 0.2f;
    auto draw = static_cast<float>((std::rand() % 100 + 1) * 0.01);
    if (draw <= kChance)
        PlayInfoSound();
}

void EmptyHook() {}

void ResetSounds() {
    for (SoundSetState& s : gSets)
        s = SoundSetState{};
    gCounted = false;
}
