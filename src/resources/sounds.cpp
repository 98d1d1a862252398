#include "resources/sounds.h"

#include <array>
#include <cmath>

#include "platform/sound.h"

namespace res {
namespace {

constexpr int kSampleRate = 22050;  // mono, 16-bit: small images, clear enough for beeps
constexpr double kPi = 3.14159265358979323846;

// One step of a sound: a tone (one or two sine partials) or a silence.
struct ToneStep {
    int Ms;             // length of the step
    double FreqA;       // Hz; 0 = silence
    double FreqB;       // a second partial mixed in, Hz; 0 = none
    double Gain;        // peak amplitude 0..1
    double DecayMs;     // exponential decay time constant; 0 = held level
};

// "SOUND_RESULT": a 40 ms click-like tick that dies away fast, so that one
// every fourth reading stays a tick and not a tone.
constexpr ToneStep kResultSteps[] = {
    {40, 1800, 3600, 0.55, 9},
};

// "SOUND_RING": two bell-like bursts, each trilled between two pitches.
constexpr ToneStep kRingSteps[] = {
    {30, 1250, 0, 0.5, 0}, {30, 1550, 0, 0.5, 0}, {30, 1250, 0, 0.5, 0}, {30, 1550, 0, 0.5, 0},
    {30, 1250, 0, 0.5, 0}, {30, 1550, 0, 0.5, 0}, {30, 1250, 0, 0.5, 0}, {30, 1550, 0, 0.5, 0},
    {90, 0, 0, 0, 0},
    {30, 1250, 0, 0.5, 0}, {30, 1550, 0, 0.5, 0}, {30, 1250, 0, 0.5, 0}, {30, 1550, 0, 0.5, 0},
    {30, 1250, 0, 0.5, 0}, {30, 1550, 0, 0.5, 0}, {30, 1250, 0, 0.5, 0}, {30, 1550, 0, 0.5, 0},
};

// "SOUND_GPSWARNING": three falling square-ish tones, unlike the ring.
constexpr ToneStep kGpsWarningSteps[] = {
    {100, 988, 2964, 0.45, 0}, {30, 0, 0, 0, 0},
    {100, 784, 2352, 0.45, 0}, {30, 0, 0, 0, 0},
    {100, 587, 1761, 0.45, 0},
};

constexpr size_t kHeaderBytes = 44;

constexpr size_t SampleCount(std::span<const ToneStep> steps) {
    size_t n = 0;
    for (const ToneStep& s : steps) n += static_cast<size_t>(s.Ms) * kSampleRate / 1000;
    return n;
}

constexpr size_t kResultBytes = kHeaderBytes + 2 * SampleCount(kResultSteps);
constexpr size_t kRingBytes = kHeaderBytes + 2 * SampleCount(kRingSteps);
constexpr size_t kGpsWarningBytes = kHeaderBytes + 2 * SampleCount(kGpsWarningSteps);

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}

// RIFF header of a mono 16-bit PCM file with `dataBytes` of samples.
void WriteWavHeader(uint8_t* out, uint32_t dataBytes) {
    const uint8_t riff[4] = {'R', 'I', 'F', 'F'}, wave[4] = {'W', 'A', 'V', 'E'};
    const uint8_t fmt[4] = {'f', 'm', 't', ' '}, data[4] = {'d', 'a', 't', 'a'};
    for (int i = 0; i < 4; ++i) {
        out[i] = riff[i];
        out[8 + i] = wave[i];
        out[12 + i] = fmt[i];
        out[36 + i] = data[i];
    }
    Put32(out + 4, 36 + dataBytes);
    Put32(out + 16, 16);                  // fmt chunk size
    Put16(out + 20, 1);                   // PCM
    Put16(out + 22, 1);                   // mono
    Put32(out + 24, kSampleRate);
    Put32(out + 28, kSampleRate * 2);     // bytes per second
    Put16(out + 32, 2);                   // block align
    Put16(out + 34, 16);                  // bits per sample
    Put32(out + 40, dataBytes);
}

// Fills `out` (header included) with the steps. Each tone has 3 ms ramps at
// both ends so that the steps join without clicks.
void Synthesize(std::span<const ToneStep> steps, uint8_t* out, size_t size) {
    const size_t samples = (size - kHeaderBytes) / 2;
    WriteWavHeader(out, static_cast<uint32_t>(samples * 2));
    uint8_t* p = out + kHeaderBytes;
    const int ramp = 3 * kSampleRate / 1000;
    double phaseA = 0, phaseB = 0;
    for (const ToneStep& s : steps) {
        const int n = s.Ms * kSampleRate / 1000;
        for (int i = 0; i < n; ++i) {
            double v = 0;
            if (s.FreqA > 0) {
                phaseA += 2 * kPi * s.FreqA / kSampleRate;
                phaseB += 2 * kPi * s.FreqB / kSampleRate;
                v = std::sin(phaseA);
                if (s.FreqB > 0) v = 0.75 * v + 0.25 * std::sin(phaseB);
                double level = s.Gain;
                if (s.DecayMs > 0) level *= std::exp(-(i * 1000.0 / kSampleRate) / s.DecayMs);
                if (i < ramp) level *= static_cast<double>(i) / ramp;
                if (n - 1 - i < ramp) level *= static_cast<double>(n - 1 - i) / ramp;
                v *= level;
            }
            const int16_t sample = static_cast<int16_t>(std::lround(v * 32767.0));
            Put16(p, static_cast<uint16_t>(sample));
            p += 2;
        }
    }
}

struct SoundImages {
    std::array<uint8_t, kResultBytes> Result{};
    std::array<uint8_t, kRingBytes> Ring{};
    std::array<uint8_t, kGpsWarningBytes> GpsWarning{};
    std::array<SoundResource, 3> Table{};

    SoundImages() {
        Synthesize(kResultSteps, Result.data(), Result.size());
        Synthesize(kRingSteps, Ring.data(), Ring.size());
        Synthesize(kGpsWarningSteps, GpsWarning.data(), GpsWarning.size());
        Table = {{{"SOUND_RESULT", Result.data(), Result.size()},
                  {"SOUND_RING", Ring.data(), Ring.size()},
                  {"SOUND_GPSWARNING", GpsWarning.data(), GpsWarning.size()}}};
    }
};

const SoundImages& Images() {
    static const SoundImages images;  // made once, on first use, by whichever thread asks first
    return images;
}

}  // namespace

std::span<const SoundResource> SoundResources() { return Images().Table; }

void RegisterSoundResources() {
    for (const SoundResource& s : SoundResources()) plat::RegisterSoundResource(s.Name, s.Wav, s.Size);
}

}  // namespace res
