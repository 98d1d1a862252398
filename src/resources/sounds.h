// The program's three sounds, made here as 16-bit mono PCM WAV images rather
// than shipped as files, and handed to the layer under their resource names:
//   "SOUND_RESULT"      a short tick (audio ticks while readings are recorded)
//   "SOUND_RING"        a double ring (a console or the GPS fell silent, map refusals)
//   "SOUND_GPSWARNING"  three falling tones (a fix fails the GPS warning mask)
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace res {

struct SoundResource {
    const char* Name;        // the name the system plays it by
    const uint8_t* Wav;      // a complete RIFF/WAVE image
    size_t Size;             // bytes of the image
};

// The three images, synthesized on first use (thread-safe), valid for the run.
std::span<const SoundResource> SoundResources();

// Registers the three images with the layer's PlaySound. Called once at start
// (repeating it is harmless).
void RegisterSoundResources();

}  // namespace res
