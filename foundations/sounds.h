// Sounds: for each kind of event a random member of a set of numbered wave files in the program
// folder's "sounds" folder (error.wav, error2.wav, ...), played only while the sound switch is on.
#pragma once

// Counts the members of every set (once, at start-up) and seeds the runtime generator.
void CountSoundFiles();

// Path of member n of the set whose base file is basePath: the base itself for n 0 or 1, else
// the number appended to the name before the extension. Null for an empty base. The result lies
// in a shared buffer, valid until the next call.
const char* NumberedFileName(const char* basePath, int n);

// Plays a wave file asynchronously (a newer sound cuts it off) or to its end; silent while sound
// is off or when the file is missing.
void PlaySoundFile(const char* path);
void PlaySoundFileSync(const char* path);

void PlayErrorSound();
void PlayInfoSound();
void PlayQuestionSound();
void PlayFitDoneSound();
void PlayHiSound();
void PlayByeSound(); // synchronous: returns when the sound has ended
void PlayOkSound();
void PlayBeerSound();
// Plays the info sound with probability 0.2.
void MaybePlayInfoSound();
// Does nothing; called where a command once gave a hook.
void EmptyHook();

// The member index to play (0-based) for a set of count members when lastIndex was played last:
// a draw, repeated once when it hits lastIndex. draw() returns a non-negative random integer.
template <typename Draw> int DrawSoundMember(int count, int lastIndex, Draw draw) {
    int index = count > 0 ? draw() % count : 0;
    if (index == lastIndex)
        index = count > 0 ? draw() % count : 0;
    return index;
}

// Forgets the counts and the last members, as before CountSoundFiles.
void ResetSounds();
