#include "platform/sound.h"

#include <QApplication>
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QByteArray>
#include <QMediaDevices>
#include <QMetaObject>
#include <QPointer>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/tick.h"

namespace plat {
namespace {

struct SoundEntry {
    char Name[32] = {};
    const uint8_t* Pcm = nullptr;   // the samples inside the registered image
    size_t PcmBytes = 0;
    int SampleRate = 0;
    int Channels = 0;
    int BitsPerSample = 0;
    uint32_t LengthMs = 0;
};

constexpr size_t kMaxSounds = 8;

std::mutex g_mutex;
std::array<SoundEntry, kMaxSounds> g_sounds;
size_t g_soundCount = 0;
bool g_playing = false;             // a sound was started ...
uint32_t g_playStart = 0;           // ... at this tick ...
uint32_t g_playLength = 0;          // ... and lasts this many ms
bool g_output = true;               // real audio output; test code turns it off
std::vector<test::RecordedSound> g_recorded;
// Tests read the recent requests; a survey rings for hours, so the record
// keeps only the newest requests instead of growing for the whole run.
constexpr size_t kMaxRecordedSounds = 1024;

void RecordLocked(const test::RecordedSound& record) {
    if (g_recorded.size() >= kMaxRecordedSounds) g_recorded.erase(g_recorded.begin());
    g_recorded.push_back(record);
}
std::atomic<bool> g_sinkBusy{false};  // the audio output still plays (window thread writes)

uint32_t Le16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Le32(const uint8_t* p) { return Le16(p) | (Le16(p + 2) << 16); }

// Walks the RIFF chunks for "fmt " and "data"; false for anything but PCM.
bool ParseWav(const uint8_t* wav, size_t size, SoundEntry* e) {
    if (wav == nullptr || size < 12 || std::memcmp(wav, "RIFF", 4) != 0 || std::memcmp(wav + 8, "WAVE", 4) != 0) {
        return false;
    }
    bool haveFormat = false;
    size_t at = 12;
    while (at + 8 <= size) {
        const uint8_t* chunk = wav + at;
        const size_t length = Le32(chunk + 4);
        const size_t body = at + 8;
        if (length > size - body) return false;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && length >= 16) {
            if (Le16(chunk + 8) != 1) return false;  // PCM only
            e->Channels = static_cast<int>(Le16(chunk + 10));
            e->SampleRate = static_cast<int>(Le32(chunk + 12));
            e->BitsPerSample = static_cast<int>(Le16(chunk + 22));
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0 && haveFormat) {
            e->Pcm = wav + body;
            e->PcmBytes = length;
            break;
        }
        at = body + length + (length & 1);  // chunks are padded to even sizes
    }
    if (!haveFormat || e->Pcm == nullptr || e->Channels < 1 || e->SampleRate < 1) return false;
    if (e->BitsPerSample != 8 && e->BitsPerSample != 16) return false;
    const uint64_t bytesPerSecond = static_cast<uint64_t>(e->SampleRate) * e->Channels * (e->BitsPerSample / 8);
    e->LengthMs = static_cast<uint32_t>((e->PcmBytes * 1000ull + bytesPerSecond - 1) / bytesPerSecond);
    return true;
}

SoundEntry* FindLocked(const char* name) {
    for (size_t i = 0; i < g_soundCount; ++i) {
        if (std::strcmp(g_sounds[i].Name, name) == 0) return &g_sounds[i];
    }
    return nullptr;
}

bool OutputLocked() { return g_output; }

// The one audio output in use, on the window thread; replaced by the next
// sound. Children of the application, so they go with it.
QPointer<QAudioSink> g_sink;
QPointer<QBuffer> g_source;

void StartOutput(SoundEntry e) {
    if (g_sink != nullptr) {
        g_sink->stop();
        delete g_sink.data();
    }
    delete g_source.data();
    g_sinkBusy.store(false);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return;  // no audio on this machine: the request stays recorded only
    QAudioFormat format;
    format.setSampleRate(e.SampleRate);
    format.setChannelCount(e.Channels);
    format.setSampleFormat(e.BitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) return;
    g_source = new QBuffer(QCoreApplication::instance());
    g_source->setData(QByteArray::fromRawData(reinterpret_cast<const char*>(e.Pcm), static_cast<qsizetype>(e.PcmBytes)));
    g_source->open(QIODevice::ReadOnly);
    g_sink = new QAudioSink(device, format, QCoreApplication::instance());
    QObject::connect(g_sink, &QAudioSink::stateChanged, [](QAudio::State state) {
        g_sinkBusy.store(state == QAudio::ActiveState);
    });
    g_sinkBusy.store(true);
    g_sink->start(g_source);
}

// Audio objects live on the thread of the application object; requests from
// reader threads are posted there and never wait for it.
void PostOutput(const SoundEntry& e) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    QMetaObject::invokeMethod(app, [e] { StartOutput(e); }, Qt::QueuedConnection);
}

}  // namespace

bool RegisterSoundResource(const char* name, const uint8_t* wav, size_t size) {
    if (name == nullptr || std::strlen(name) >= sizeof(SoundEntry::Name)) return false;
    SoundEntry e;
    if (!ParseWav(wav, size, &e)) return false;
    std::snprintf(e.Name, sizeof e.Name, "%s", name);
    std::lock_guard<std::mutex> guard(g_mutex);
    SoundEntry* slot = FindLocked(name);
    if (slot == nullptr) {
        if (g_soundCount == kMaxSounds) return false;
        slot = &g_sounds[g_soundCount++];
    }
    *slot = e;
    return true;
}

bool PlaySound(const char* name) {
    const uint32_t now = GetTickCount();
    SoundEntry entry;
    bool output = false;
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        test::RecordedSound record;
        record.Name = name != nullptr ? name : "";
        record.Tick = now;
        const SoundEntry* e = name != nullptr ? FindLocked(name) : nullptr;
        output = OutputLocked();
        // The clock decides; a real output that starts late may hold the
        // sound a little longer, but never more than half a second past it.
        const int32_t elapsed = TickDiff(g_playStart, now);
        const bool busy = g_playing && elapsed >= 0 &&
                          (static_cast<uint32_t>(elapsed) < g_playLength ||
                           (output && g_sinkBusy.load() && static_cast<uint32_t>(elapsed) < g_playLength + 500));
        if (e == nullptr) {
            std::fprintf(stderr, "no sound resource named %s\n", record.Name.c_str());
        } else if (!busy) {
            record.Played = true;
            g_playing = true;
            g_playStart = now;
            g_playLength = e->LengthMs;
            entry = *e;
        }
        RecordLocked(record);
        if (!record.Played) return false;
    }
    if (output) PostOutput(entry);
    return true;
}

void SystemBeep() {
    bool output = false;
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        RecordLocked({"BEEP", true, GetTickCount()});
        output = OutputLocked();
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (!output || app == nullptr || qobject_cast<QApplication*>(app) == nullptr) return;
    QMetaObject::invokeMethod(app, [] { QApplication::beep(); }, Qt::QueuedConnection);
}

namespace test {

std::vector<RecordedSound> RecordedSounds() {
    std::lock_guard<std::mutex> guard(g_mutex);
    return g_recorded;
}

void ClearRecordedSounds() {
    std::lock_guard<std::mutex> guard(g_mutex);
    g_recorded.clear();
    g_playing = false;
}

uint32_t SoundLengthMs(const char* name) {
    std::lock_guard<std::mutex> guard(g_mutex);
    const SoundEntry* e = FindLocked(name);
    return e != nullptr ? e->LengthMs : 0;
}

void SetSoundOutput(bool on) {
    std::lock_guard<std::mutex> guard(g_mutex);
    g_output = on;
}

}  // namespace test
}  // namespace plat
