// The three sounds: their WAV images, and the rule that a request while a
// sound plays is dropped, decided by the tick clock.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound.h"
#include "platform/tick.h"
#include "platform/window.h"
#include "resources/sounds.h"
#include "support/test_env.h"

namespace {

// OstrimaTest registers the three sounds and clears the recorder.
using SoundTest = OstrimaTest;

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
int16_t Sample(const uint8_t* pcm, size_t i) { return static_cast<int16_t>(pcm[2 * i] | (pcm[2 * i + 1] << 8)); }

TEST_F(SoundTest, ImagesAreAudibleMonoPcmWithoutClicksOrClipping) {
    const auto sounds = res::SoundResources();
    ASSERT_EQ(sounds.size(), 3u);
    const char* names[] = {"SOUND_RESULT", "SOUND_RING", "SOUND_GPSWARNING"};
    for (size_t k = 0; k < 3; ++k) {
        const res::SoundResource& s = sounds[k];
        SCOPED_TRACE(s.Name);
        EXPECT_STREQ(s.Name, names[k]);
        ASSERT_GT(s.Size, 44u);
        EXPECT_EQ(std::memcmp(s.Wav, "RIFF", 4), 0);
        EXPECT_EQ(Le32(s.Wav + 4), s.Size - 8);
        EXPECT_EQ(std::memcmp(s.Wav + 8, "WAVEfmt ", 8), 0);
        EXPECT_EQ(s.Wav[20] | (s.Wav[21] << 8), 1);   // PCM
        EXPECT_EQ(s.Wav[22] | (s.Wav[23] << 8), 1);   // mono
        EXPECT_EQ(Le32(s.Wav + 24), 22050u);
        EXPECT_EQ(s.Wav[34] | (s.Wav[35] << 8), 16);  // bits
        EXPECT_EQ(std::memcmp(s.Wav + 36, "data", 4), 0);
        const size_t samples = Le32(s.Wav + 40) / 2;
        ASSERT_EQ(44 + 2 * samples, s.Size);
        const uint8_t* pcm = s.Wav + 44;
        int peak = 0;
        for (size_t i = 0; i < samples; ++i) peak = std::max(peak, std::abs(static_cast<int>(Sample(pcm, i))));
        EXPECT_GT(peak, 8000) << "too quiet to hear";
        EXPECT_LT(peak, 32000) << "clipped";
        EXPECT_LT(std::abs(Sample(pcm, 0)), 200) << "starts with a click";
        EXPECT_LT(std::abs(Sample(pcm, samples - 1)), 200) << "ends with a click";
    }
    // The tick must be short enough for every fourth reading; the alarms last.
    EXPECT_LE(plat::test::SoundLengthMs("SOUND_RESULT"), 60u);
    EXPECT_GE(plat::test::SoundLengthMs("SOUND_RING"), 250u);
    EXPECT_GE(plat::test::SoundLengthMs("SOUND_GPSWARNING"), 250u);
}

TEST_F(SoundTest, RequestWhileOneIsPlayingIsDroppedNotQueued) {
    const uint32_t ring = plat::test::SoundLengthMs("SOUND_RING");
    ASSERT_GT(ring, 0u);
    struct Step {
        uint32_t advance;      // ms moved before the request
        const char* name;      // "BEEP": the desktop beep
        bool played;
    };
    // Starts just before the tick wraps, so the rule must survive the wrap.
    const Step steps[] = {
        {0, "SOUND_NONE", false},              // no such sound: holds nothing
        {0, "SOUND_RING", true},
        {0, "SOUND_RESULT", false},            // same tick: the ring plays
        {0, "BEEP", true},                     // the beep is not held back
        {ring - 1, "SOUND_GPSWARNING", false}, // last millisecond of the ring
        {1, "SOUND_RESULT", true},             // the ring has ended
        {0, "SOUND_RING", false},              // the tick plays now
        {plat::test::SoundLengthMs("SOUND_RESULT"), "SOUND_RING", true},
    };
    plat::test::FreezeTick(0xFFFFFFFFu - 100);
    for (const Step& s : steps) {
        plat::test::AdvanceTick(s.advance);
        if (std::strcmp(s.name, "BEEP") == 0) {
            plat::SystemBeep();
        } else {
            EXPECT_EQ(plat::PlaySound(s.name), s.played) << s.name;
        }
    }
    const auto recorded = plat::test::RecordedSounds();
    ASSERT_EQ(recorded.size(), std::size(steps));
    for (size_t i = 0; i < recorded.size(); ++i) {
        EXPECT_EQ(recorded[i].Name, steps[i].name);
        EXPECT_EQ(recorded[i].Played, steps[i].played) << i;
    }
    EXPECT_EQ(recorded[0].Tick, 0xFFFFFFFFu - 100);
}

TEST_F(SoundTest, RegistrationRefusesImagesItCannotPlay) {
    const res::SoundResource& good = res::SoundResources()[0];
    std::vector<uint8_t> base(good.Wav, good.Wav + good.Size);
    struct Case {
        const char* what;
        size_t size;          // bytes handed over
        size_t patchAt;       // byte to change (0 = none)
        uint8_t value;
        bool accepted;
    };
    const Case cases[] = {
        {"whole image", base.size(), 0, 0, true},
        {"cut inside the header", 30, 0, 0, false},
        {"data chunk longer than the image", base.size() - 10, 0, 0, false},
        {"float samples", base.size(), 20, 3, false},
        {"24-bit samples", base.size(), 34, 24, false},
        {"not RIFF", base.size(), 1, 'X', false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> image = base;
        if (c.patchAt != 0) image[c.patchAt] = c.value;
        EXPECT_EQ(plat::RegisterSoundResource("SOUND_PROBE", image.data(), c.size), c.accepted) << c.what;
    }
    // A rejected image does not replace the accepted one.
    EXPECT_EQ(plat::test::SoundLengthMs("SOUND_PROBE"), plat::test::SoundLengthMs("SOUND_RESULT"));
    EXPECT_FALSE(plat::RegisterSoundResource("A_NAME_LONGER_THAN_THIRTY_ONE_CHARS", good.Wav, good.Size));
}

// With the real output on, a machine without audio (CI) still records every
// request, applies the drop rule and neither blocks nor crashes.
TEST_F(SoundTest, RealOutputWithoutBlockingOrAnAudioDevice) {
    ASSERT_TRUE(plat::StartApplication());
    plat::test::SetSoundOutput(true);
    plat::test::FreezeTick(100);
    EXPECT_TRUE(plat::PlaySound("SOUND_RESULT"));
    EXPECT_FALSE(plat::PlaySound("SOUND_RING"));
    plat::test::ProcessEvents();  // the output starts (or finds no device) on the window thread
    plat::test::AdvanceTick(plat::test::SoundLengthMs("SOUND_RESULT") + 600);
    EXPECT_TRUE(plat::PlaySound("SOUND_GPSWARNING"));
    plat::test::ProcessEvents();
    plat::test::SetSoundOutput(false);
    EXPECT_EQ(plat::test::RecordedSounds().size(), 3u);
    // A long survey's rings never grow the record without end.
    for (int i = 0; i < 5000; ++i) plat::PlaySound("SOUND_RING");
    EXPECT_LE(plat::test::RecordedSounds().size(), 1024u);
    plat::test::ResetWindows();
}

using SoundThreadedTest = SoundTest;

// The GPS watchdog rings from its reader thread while the window thread plays
// the tick and the warning: of requests at one frozen instant exactly one plays.
TEST_F(SoundThreadedTest, ConcurrentRequestsStartExactlyOneSound) {
    plat::test::FreezeTick(42);
    std::atomic<int> played{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    const char* names[] = {"SOUND_RING", "SOUND_RESULT", "SOUND_GPSWARNING"};
    for (int i = 0; i < 6; ++i) {
        threads.emplace_back([&, i] {
            while (!go.load()) {
            }
            if (plat::PlaySound(names[i % 3])) played.fetch_add(1);
        });
    }
    go.store(true);
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(played.load(), 1);
    EXPECT_EQ(plat::test::RecordedSounds().size(), 6u);
}

}  // namespace
