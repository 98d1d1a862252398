// Signals to end, and the exit hook.
//
// A signal handler may do almost nothing safely: it writes the signal's
// number into a pipe, and a socket notifier on the window thread reads it.
// Qt serves notifiers in its main loop and in every nested loop, so the
// signal is seen while a box or a dialog is open too; the program is told
// only once those are closed and their loops have returned, so that its end
// never runs inside the code that opened them.
#include "platform/process_end.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

#include "platform/window.h"
#include "platform/window_internal.h"

namespace plat {
namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGHUP, SIGINT};
constexpr int kRetryMs = 10;          // a closed window's loop returns before this
constexpr int kMostNestedModals = 16;

int g_pipe[2] = {-1, -1};             // the handler writes into [1], the window thread reads [0]
struct sigaction g_former[std::size(kEndSignals)];
QSocketNotifier* g_notifier = nullptr;
void (*g_onEnd)(int) = nullptr;
int g_signal = 0;                     // the signal being told, 0 none
std::atomic<bool> g_ending{false};
std::atomic<void (*)()> g_exitHook{nullptr};

void WriteSignalToPipe(int signal) {
    const int saved = errno;
    const auto number = static_cast<unsigned char>(signal);
    if (write(g_pipe[1], &number, 1) < 0) {
        // The pipe is full: a signal is waiting there already.
    }
    errno = saved;
}

// Qt's own modal windows from the top down (popup menus closed, message
// boxes and choosers rejected as Esc), until none is left or one of the
// layer's own windows is on top: those go through their modal loops.
void CloseToolkitModals() {
    for (int i = 0; i < kMostNestedModals; ++i) {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
            continue;
        }
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) return;
        dialog->reject();
    }
}

bool AnythingModal() {
    return QApplication::activePopupWidget() != nullptr || QApplication::activeModalWidget() != nullptr;
}

// Closes what is open and tells the program from the loop, later, once
// nothing modal is left: never from here, which may lie inside the code
// that opened a box.
void CloseThenTell(bool mayTellNow) {
    CloseToolkitModals();
    const int loops = detail::CloseEveryModalLoop();
    if (mayTellNow && loops == 0 && !AnythingModal()) {
        if (g_onEnd != nullptr) g_onEnd(g_signal);
        return;
    }
    QTimer::singleShot(kRetryMs, detail::Courier(), [] { CloseThenTell(true); });
}

void OnSignalPipe() {
    unsigned char number = 0;
    int signal = 0;
    while (read(g_pipe[0], &number, 1) == 1) signal = number;
    if (signal == 0 || g_signal != 0) return;  // told once: the end is under way
    g_signal = signal;
    g_ending = true;
    // The box texts go to the standard error, which may be a pipe whose
    // reader went with the session: a write there must not end the finish.
    std::signal(SIGPIPE, SIG_IGN);
    CloseThenTell(false);
}

void RunExitHook() {
    void (*hook)() = g_exitHook.exchange(nullptr);
    if (hook == nullptr || !OnWindowThread()) return;
    g_ending = true;
    detail::ReleaseSenders(/*alsoServed=*/true);
    hook();
}

}  // namespace

bool WatchEndSignals(void (*onEnd)(int signal)) {
    if (!OnWindowThread() || g_notifier != nullptr) return false;
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    g_onEnd = onEnd;
    g_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, detail::Courier());
    QObject::connect(g_notifier, &QSocketNotifier::activated, detail::Courier(), [] { OnSignalPipe(); });
    struct sigaction action = {};
    action.sa_handler = WriteSignalToPipe;
    sigemptyset(&action.sa_mask);
    // The second signal of a kind takes its default action: an operator
    // whose program does not end can still end it.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (size_t i = 0; i < std::size(kEndSignals); ++i) {
        sigaction(kEndSignals[i], nullptr, &g_former[i]);
        // One the program was started to ignore (nohup, a background job)
        // stays ignored: the operator chose so.
        if (g_former[i].sa_handler != SIG_IGN) sigaction(kEndSignals[i], &action, nullptr);
    }
    return true;
}

bool ProgramEnding() { return g_ending.load(); }

void SetExitHook(void (*hook)()) {
    static const bool registered = std::atexit(RunExitHook) == 0;
    (void)registered;
    g_exitHook = hook;
}

namespace test {
void StopWatchingEndSignals() {
    g_exitHook = nullptr;
    g_ending = false;
    g_signal = 0;
    if (g_notifier == nullptr) return;
    for (size_t i = 0; i < std::size(kEndSignals); ++i) sigaction(kEndSignals[i], &g_former[i], nullptr);
    std::signal(SIGPIPE, SIG_DFL);
    delete g_notifier;
    g_notifier = nullptr;
    g_onEnd = nullptr;
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}
}  // namespace test

}  // namespace plat
