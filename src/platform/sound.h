// Sounds: WAV images registered by name and played asynchronously. A request
// that arrives while a sound is still playing is dropped: it neither waits
// nor cuts the playing sound short. "Playing" is decided by the layer's tick
// clock from the length of the WAV data (and, with a real audio output, also
// while the output still reports it busy), so tests decide it exactly by
// freezing and moving the clock.
//
// Safe to call from any thread. Without an audio device (headless machines)
// and in test runs nothing is heard, but every request is still recorded and
// the drop rule still applies.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// Registers a WAV image under `name` (at most 31 characters). The bytes must
// stay valid for the run. False for an image that is not 8- or 16-bit PCM,
// or when the table is full. Registering a name again replaces it.
bool RegisterSoundResource(const char* name, const uint8_t* wav, size_t size);

// Starts the named sound unless one is playing. True when it was started;
// false when it was dropped or no sound of that name is registered.
bool PlaySound(const char* name);

// The desktop's short notification beep, used to mark the end of a long job.
// Not subject to the drop rule.
void SystemBeep();

namespace test {

struct RecordedSound {
    std::string Name;       // as requested; "BEEP" for SystemBeep
    bool Played = false;    // false: dropped, or no such sound registered
    uint32_t Tick = 0;      // tick of the request
};

std::vector<RecordedSound> RecordedSounds();
// Forgets the recorded requests and any sound still counted as playing.
void ClearRecordedSounds();
// Playing length of a registered sound in ms (0 when unknown).
uint32_t SoundLengthMs(const char* name);
// Real audio output on or off; on until the test code turns it off.
void SetSoundOutput(bool on);

}  // namespace test
}  // namespace plat
