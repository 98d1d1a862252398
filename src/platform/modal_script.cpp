#include "platform/modal_script.h"

#include "platform/process_end.h"
#include "platform/sound.h"

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>

namespace plat {
namespace {

std::mutex g_mutex;
std::deque<ModalAnswer> g_queue;
bool g_active = false;  // switched on by the test code only
bool g_closeUnscripted = false;  // unscripted calls answered as closing, silently
void (*g_failure)(const char*) = nullptr;

const char* KindName(ModalKind k) {
    switch (k) {
        case ModalKind::MessageBox: return "message box";
        case ModalKind::Dialog: return "dialog";
        case ModalKind::SaveFile: return "save chooser";
        case ModalKind::OpenFile: return "open chooser";
        case ModalKind::Colour: return "colour chooser";
        case ModalKind::PopupMenu: return "popup menu";
    }
    return "modal";
}

bool ActiveLocked() { return g_active; }

}  // namespace

bool ModalScriptActive() {
    std::lock_guard<std::mutex> guard(g_mutex);
    return ActiveLocked();
}

bool TakeModalAnswer(ModalKind kind, const char* what, ModalAnswer* out) {
    void (*failure)(const char*) = nullptr;
    char message[256];
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        if (ProgramEnding()) {
            // Nobody answers while the program ends: closed at once.
            *out = ModalAnswer{};
            out->Kind = kind;
            out->Result = kind == ModalKind::MessageBox ? 2 : 0;  // Cancel
            return true;
        }
        if (!ActiveLocked()) return false;
        if (!g_queue.empty() && g_queue.front().Kind == kind) {
            *out = std::move(g_queue.front());
            g_queue.pop_front();
            return true;
        }
        if (g_closeUnscripted) {
            *out = ModalAnswer{};
            out->Kind = kind;
            out->Result = kind == ModalKind::MessageBox ? 2 : 0;  // Cancel
            return true;
        }
        std::snprintf(message, sizeof message, "unscripted %s: %s (next scripted: %s)", KindName(kind),
                      what != nullptr ? what : "", g_queue.empty() ? "none" : KindName(g_queue.front().Kind));
        failure = g_failure;
    }
    if (failure != nullptr) {
        failure(message);
    } else {
        std::fprintf(stderr, "%s\n", message);
    }
    *out = ModalAnswer{};
    out->Kind = kind;
    out->Result = kind == ModalKind::MessageBox ? 2 : 0;  // Cancel
    return true;
}

void ReportModalScriptFailure(const char* message) {
    void (*failure)(const char*) = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_mutex);
        failure = g_failure;
    }
    if (failure != nullptr) {
        failure(message);
    } else {
        std::fprintf(stderr, "%s\n", message);
    }
}

namespace test {
void EnableModalScript(bool on) {
    std::lock_guard<std::mutex> guard(g_mutex);
    g_active = on;
}
void SwitchOnTestHooks() {
    EnableModalScript(true);
    SetSoundOutput(false);
    // Headless unless the test run chose a display itself.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}
void ScriptModal(ModalAnswer answer) {
    std::lock_guard<std::mutex> guard(g_mutex);
    g_queue.push_back(std::move(answer));
}
void ClearModalScript() {
    std::lock_guard<std::mutex> guard(g_mutex);
    g_queue.clear();
}
size_t PendingModalAnswers() {
    std::lock_guard<std::mutex> guard(g_mutex);
    return g_queue.size();
}
void SetModalFailureHandler(void (*handler)(const char*)) {
    std::lock_guard<std::mutex> guard(g_mutex);
    g_failure = handler;
}
void AnswerUnscriptedModalsByClosing(bool on) {
    std::lock_guard<std::mutex> guard(g_mutex);
    g_closeUnscripted = on;
}
}  // namespace test

}  // namespace plat
